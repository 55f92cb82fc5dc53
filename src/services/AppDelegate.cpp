#include <services/AppDelegate.h>
#include <services/DeviceModel.h>
#include <services/DictCoreData.h>
#include <services/mySingleElementiManage.h>
#include <platform/foundation/Analytics.h>
#include <platform/foundation/Device.h>
#include <platform/foundation/Log.h>
#include <platform/foundation/NotificationCenter.h>
#include <platform/foundation/Paths.h>

#include <cstdio>
#include <cstdlib>

namespace vd {

std::shared_ptr<AppDelegate> AppDelegate::shared()
{
    static const std::shared_ptr<AppDelegate> delegate = create(paths::documentsDirectory());
    return delegate;
}

std::shared_ptr<AppDelegate> AppDelegate::create(std::filesystem::path documentsDirectory)
{
    return std::make_shared<AppDelegate>(Key {}, std::move(documentsDirectory));
}

AppDelegate::AppDelegate(Key, std::filesystem::path documentsDirectory)
    : m_documents(std::move(documentsDirectory))
{
}

AppDelegate::~AppDelegate() = default;

std::filesystem::path AppDelegate::storeFile() const { return m_documents / (nomeDataModle + ".sqlite"); }

const store::ObjectModel& AppDelegate::managedObjectModel() const { return DictCoreData::objectModel(); }

Result<std::shared_ptr<store::ObjectStore>> AppDelegate::openManagedObjectContext()
{
    if (m_context)
        return m_context;
    std::error_code ignored;
    std::filesystem::create_directories(m_documents, ignored);
    auto store = store::ObjectStore::open(storeFile(), managedObjectModel());
    if (!store)
        return std::unexpected(store.error());
    m_context = std::move(*store);
    return m_context;
}

const std::shared_ptr<store::ObjectStore>& AppDelegate::managedObjectContext()
{
    if (!m_context) {
        auto opened = openManagedObjectContext();
        if (!opened)
            terminateWithStoreError(opened.error());
    }
    return m_context;
}

void AppDelegate::terminateWithLine(const std::string& line)
{
    log::fatal(line);
}

// The shared logo store is the shared delegate's. It is defined here, with the delegate, so that
// the library does not depend on the app folder.
mySingleElementiManage& mySingleElementiManage::sharedInstance() { return AppDelegate::shared()->logoStore(); }

void AppDelegate::terminateWithStoreError(const Error& error) const
{
    terminateWithLine("Unresolved error Error Domain=YOUR_ERROR_DOMAIN Code=9999 \"Failed to initialize the application's saved data\", {\n"
                      "    NSLocalizedDescription = \"Failed to initialize the application's saved data\";\n"
                      "    NSLocalizedFailureReason = \"There was an error creating or loading the application's saved data.\";\n"
                      "    NSUnderlyingError = \""
        + error.message + "\";\n}");
}

void AppDelegate::saveContext()
{
    auto& context = managedObjectContext();
    if (!context->hasChanges())
        return;
    if (auto saved = context->save(); !saved && m_plainFailureLines)
        terminateWithLine("vardenico: cannot write the logo store " + saved.error().message);
    else if (!saved)
        terminateWithLine("Unresolved error " + saved.error().message + ", {\n    NSFilePath = \"" + storeFile().string() + "\";\n}");
}

std::int64_t AppDelegate::metodoSpazioLibero() const
{
    auto free = Device::freeSpace(m_documents);
    return free ? *free : -10;
}

mySingleElementiManage& AppDelegate::logoStore()
{
    if (!m_logoStore)
        m_logoStore = std::make_unique<mySingleElementiManage>(weak_from_this(), modelName());
    return *m_logoStore;
}

bool AppDelegate::applicationDidFinishLaunchingWithOptions()
{
    AnalyticsSink::shared().start();
    mySingleElementiManage& store = logoStore();
    store.metodoCaricaDictOfData();
    store.myNumMbLiber = wholeMebibytes(metodoSpazioLibero());
    char line[64];
    std::snprintf(line, sizeof line, "Spazio Libero in hx : %.1f MB", store.myNumMbLiber);
    log::debug(line);
    m_launched = true;
    return true;
}

void AppDelegate::applicationDidBecomeActive()
{
    m_idleTimerDisabled = true;
    // The name lists are filled once: every later activation would only repeat the same names.
    if (m_namesFilled)
        return;
    m_namesFilled = true;
    logoStore().metodoRiempiNomiGeo();
    logoStore().metodoRiempiNomiIcon();
}

void AppDelegate::applicationWillResignActive() { m_idleTimerDisabled = false; }

void AppDelegate::applicationWillEnterForeground() { NotificationCenter::defaultCenter().post("keycerchi", this); }

}
