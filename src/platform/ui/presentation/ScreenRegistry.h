#pragma once

#include <platform/foundation/Error.h>
#include <platform/ui/presentation/ViewController.h>

#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <string>

namespace vd {

enum class DeviceKind { Phone, Tablet };
const char* deviceKindName(DeviceKind kind); // "phone" or "tablet"

// Makes a screen from its identifier for the current device kind. An identifier names a
// controller class; on a tablet the class's twin with the suffix "IPAD" is made when one is
// registered. The screen's views come from the interface description
// <interface folder>/<phone|tablet>/<identifier>.json (a tablet without its own falls back to the
// phone's); its named views are bound to the controller's fields before the opener sets the
// others, and viewDidLoad runs when the view is first used.
class ScreenRegistry {
public:
    using Factory = std::function<std::shared_ptr<ViewController>()>;

    static ScreenRegistry& shared();

    void registerClass(const std::string& className, Factory factory);
    template<typename T>
    void registerClass(const std::string& className)
    {
        registerClass(className, [] { return std::make_shared<T>(); });
    }
    void registerScreen(const std::string& identifier, const std::string& className);
    bool hasScreen(const std::string& identifier) const { return m_screens.contains(identifier); }

    DeviceKind deviceKind() const { return m_kind; }
    void setDeviceKind(DeviceKind kind) { m_kind = kind; }
    std::filesystem::path interfaceDirectory() const; // default: resources/ui
    void setInterfaceDirectory(std::filesystem::path directory) { m_directory = std::move(directory); }

    std::string classNameFor(const std::string& identifier, DeviceKind kind) const; // empty: unknown
    std::filesystem::path descriptionPath(const std::string& identifier, DeviceKind kind) const; // empty: none
    Result<std::shared_ptr<ViewController>> instantiate(const std::string& identifier) const;
    Result<std::shared_ptr<ViewController>> instantiate(const std::string& identifier, DeviceKind kind) const;

private:
    std::map<std::string, Factory> m_classes;
    std::map<std::string, std::string> m_screens;
    DeviceKind m_kind { DeviceKind::Phone };
    std::filesystem::path m_directory;
};

}
