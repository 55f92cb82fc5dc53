#include <platform/ui/presentation/ScreenRegistry.h>

#include <platform/foundation/Log.h>
#include <platform/foundation/Paths.h>
#include <platform/ui/presentation/InterfaceDescription.h>

namespace vd {

const char* deviceKindName(DeviceKind kind)
{
    return kind == DeviceKind::Tablet ? "tablet" : "phone";
}

ScreenRegistry& ScreenRegistry::shared()
{
    static ScreenRegistry registry;
    return registry;
}

void ScreenRegistry::registerClass(const std::string& className, Factory factory)
{
    m_classes[className] = std::move(factory);
}

void ScreenRegistry::registerScreen(const std::string& identifier, const std::string& className)
{
    m_screens[identifier] = className;
}

std::filesystem::path ScreenRegistry::interfaceDirectory() const
{
    return m_directory.empty() ? paths::resourcesDirectory() / "ui" : m_directory;
}

std::string ScreenRegistry::classNameFor(const std::string& identifier, DeviceKind kind) const
{
    auto it = m_screens.find(identifier);
    if (it == m_screens.end())
        return {};
    if (kind == DeviceKind::Tablet && m_classes.contains(it->second + "IPAD"))
        return it->second + "IPAD";
    return it->second;
}

std::filesystem::path ScreenRegistry::descriptionPath(const std::string& identifier, DeviceKind kind) const
{
    const auto directory = interfaceDirectory();
    std::error_code error;
    auto own = directory / deviceKindName(kind) / (identifier + ".json");
    if (std::filesystem::exists(own, error))
        return own;
    auto phone = directory / deviceKindName(DeviceKind::Phone) / (identifier + ".json");
    if (kind == DeviceKind::Tablet && std::filesystem::exists(phone, error))
        return phone;
    return {};
}

Result<std::shared_ptr<ViewController>> ScreenRegistry::instantiate(const std::string& identifier) const
{
    return instantiate(identifier, m_kind);
}

Result<std::shared_ptr<ViewController>> ScreenRegistry::instantiate(const std::string& identifier, DeviceKind kind) const
{
    const std::string className = classNameFor(identifier, kind);
    if (className.empty())
        return fail("screen \"" + identifier + "\"", "no screen has this identifier");
    auto factory = m_classes.find(className);
    if (factory == m_classes.end())
        return fail("screen \"" + identifier + "\"", "its class " + className + " is not registered");
    auto controller = factory->second();
    if (!controller)
        return fail("screen \"" + identifier + "\"", "its class " + className + " made nothing");
    controller->m_identifier = identifier;
    const auto path = descriptionPath(identifier, kind);
    if (path.empty()) {
        log::debug("screen " + identifier + " has no interface description; its controller makes its views");
        return controller;
    }
    auto description = InterfaceDescription::loadFile(path);
    if (!description)
        return std::unexpected(description.error());
    auto view = description->instantiate(*controller);
    if (!view)
        return std::unexpected(view.error());
    controller->setView(*view);
    return controller;
}

}
