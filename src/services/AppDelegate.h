#pragma once

#include <services/LogoStoreContext.h>
#include <platform/foundation/Error.h>
#include <platform/store/ObjectStore.h>

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>

namespace vd {

class mySingleElementiManage;

// The process-wide application object: owns the object store over dictModel.sqlite in the
// documents folder, runs the launch sequence and reacts to the lifecycle callbacks the host
// delivers.
class AppDelegate : public LogoStoreContext, public std::enable_shared_from_this<AppDelegate> {
public:
    // The application's delegate, made on first use over the documents folder.
    static std::shared_ptr<AppDelegate> shared();
    static std::shared_ptr<AppDelegate> create(std::filesystem::path documentsDirectory);

    const std::string nomeDataModle { "dictModel" };
    const std::filesystem::path& applicationDocumentsDirectory() const { return m_documents; }
    std::filesystem::path storeFile() const override; // documents/dictModel.sqlite
    const store::ObjectModel& managedObjectModel() const;

    // The object context, built on first use. A store that cannot be opened ends the program with
    // a line beginning "Unresolved error " and leaves the file as it was.
    const std::shared_ptr<store::ObjectStore>& managedObjectContext() override;
    // The same without ending the program (for callers that report the failure themselves).
    Result<std::shared_ptr<store::ObjectStore>> openManagedObjectContext();
    // Saves pending changes; a failed save ends the program with the "Unresolved error " line.
    void saveContext() override;
    // Free bytes on the volume of the documents folder, or -10 when they cannot be read.
    std::int64_t metodoSpazioLibero() const;
    // Whole mebibytes of a byte count, truncated toward zero (-10 gives 0.0).
    static double wholeMebibytes(std::int64_t bytes) { return static_cast<double>(bytes / 1048576); }

    // The logo store this delegate's launch loads (the shared one for the shared delegate).
    mySingleElementiManage& logoStore();

    // Lifecycle callbacks.
    bool applicationDidFinishLaunchingWithOptions();
    void applicationDidBecomeActive();
    void applicationWillResignActive();
    void applicationWillEnterForeground(); // posts "keycerchi" with this delegate as the object
    void applicationDidEnterBackground() { }
    void applicationWillTerminate() { }

    // While true the window host keeps the screen from dimming or locking.
    bool idleTimerDisabled() const { return m_idleTimerDisabled; }
    bool hasLaunched() const { return m_launched; }

    // Prints the line to stderr and ends the program with status 1.
    [[noreturn]] static void terminateWithLine(const std::string& line);
    // The command line says why a store cannot be saved in one plain line, the file and the
    // reason, instead of the application's error record.
    void setPlainFailureLines(bool plain) { m_plainFailureLines = plain; }

    struct Key {
    private:
        friend class AppDelegate;
        Key() = default;
    };
    AppDelegate(Key, std::filesystem::path documentsDirectory);
    ~AppDelegate() override;

private:
    [[noreturn]] void terminateWithStoreError(const Error& error) const;

    std::filesystem::path m_documents;
    std::shared_ptr<store::ObjectStore> m_context;
    std::unique_ptr<mySingleElementiManage> m_logoStore;
    bool m_idleTimerDisabled { false };
    bool m_launched { false };
    bool m_namesFilled { false };
    bool m_plainFailureLines { false };
};

}
