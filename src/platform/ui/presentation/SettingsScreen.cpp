#include <platform/ui/presentation/SettingsScreen.h>

#include <platform/foundation/UserDefaults.h>
#include <platform/photos/LibraryLocation.h>
#include <platform/photos/PhotoLibrary.h>
#include <platform/ui/presentation/AlertController.h>
#include <platform/ui/controls/Button.h>
#include <platform/ui/controls/Label.h>
#include <platform/ui/controls/Switch.h>
#include <platform/ui/controls/TextView.h>

#include <filesystem>

namespace vd {

namespace {
constexpr double kBarHeight = 64;
constexpr double kMargin = 16;
}

SettingsScreen::SettingsScreen(UserDefaults& defaults)
    : m_defaults(defaults)
{
    setName("settingsScreen");
    setBackgroundColor(Color::rgba(0.94, 0.94, 0.96));
    m_bar = View::make();
    m_bar->setBackgroundColor(Color::rgba(0.97, 0.97, 0.97));
    m_title = View::make<Label>();
    m_title->setName("settingsTitle");
    m_title->setText("Settings");
    m_title->setFont("Helvetica-Bold", 17);
    m_title->setTextAlignment(TextAlignment::Center);
    m_bar->addSubview(m_title);
    m_done = View::make<Button>(Button::Type::System);
    m_done->setName("settingsDone");
    m_done->setTitle("Done");
    m_done->setFont("Helvetica-Bold", 17);
    m_done->addAction(ControlEvent::TouchUpInside, [this](Control&) {
        if (save())
            close();
    });
    m_bar->addSubview(m_done);

    m_accessLabel = View::make<Label>();
    m_accessLabel->setText("Photo access");
    m_access = View::make<Switch>();
    m_access->setName("settingsPhotoAccess");
    m_access->setOn(PhotoLibrary::storedAuthorizationStatus(defaults) == AuthorizationStatus::Authorized);
    m_folderLabel = View::make<Label>();
    m_folderLabel->setText("Photo library folder");
    m_folder = View::make<TextView>();
    m_folder->setName("settingsPhotoFolder");
    m_folder->setSingleLine(true);
    m_folder->setFont("Helvetica", 15);
    m_folder->layer().setCornerRadius(8);
    m_folder->setText(defaults.stringForKey(kPhotoLibraryFolderKey).value_or(""));
    m_note = View::make<Label>();
    m_note->setName("settingsNote");
    m_note->setNumberOfLines(0);
    m_note->setFont("Helvetica", 13);
    m_note->setTextColor(Color::white(0.43));
    m_note->setText("Leave the folder empty to use your Pictures folder.");
}

void SettingsScreen::attachParts()
{
    // Subviews added in a constructor would not know their parent yet, so they join here.
    if (m_bar->superview().get() == this)
        return;
    for (const auto& part : std::initializer_list<std::shared_ptr<View>> { m_bar, m_accessLabel, m_access, m_folderLabel, m_folder, m_note })
        addSubview(part);
}

void SettingsScreen::layoutSubviews()
{
    attachParts();
    const double w = bounds().width();
    m_bar->setFrame({ 0, 0, w, kBarHeight });
    m_title->setFrame({ 80, 20, w - 160, kBarHeight - 20 });
    const Size done = m_done->sizeThatFits({});
    m_done->setFrame({ w - done.width - kMargin, 20, done.width, kBarHeight - 20 });
    double y = kBarHeight + 24;
    const Size toggle = m_access->sizeThatFits({});
    m_accessLabel->setFrame({ kMargin, y, w - 3 * kMargin - toggle.width, toggle.height });
    m_access->setFrame({ w - kMargin - toggle.width, y, toggle.width, toggle.height });
    y += toggle.height + 28;
    m_folderLabel->setFrame({ kMargin, y, w - 2 * kMargin, 22 });
    y += 28;
    const double fieldHeight = m_folder->sizeThatFits({ w - 2 * kMargin, 0 }).height;
    m_folder->setFrame({ kMargin, y, w - 2 * kMargin, std::max(36.0, fieldHeight) });
    y += m_folder->bounds().height() + 8;
    m_note->setFrame({ kMargin, y, w - 2 * kMargin, m_note->sizeThatFits({ w - 2 * kMargin, 0 }).height });
}

bool SettingsScreen::save()
{
    std::string folder = m_folder->text();
    while (!folder.empty() && (folder.back() == ' ' || folder.back() == '\t'))
        folder.pop_back();
    while (!folder.empty() && (folder.front() == ' ' || folder.front() == '\t'))
        folder.erase(folder.begin());
    std::error_code error;
    if (!folder.empty() && !std::filesystem::is_directory(folder, error)) {
        auto alert = AlertController::make("Vardenico", "The folder \"" + folder + "\" does not exist.");
        alert->addAction("OK", AlertController::ActionStyle::Default);
        alert->present(superview() ? *superview() : static_cast<View&>(*this));
        return false;
    }
    const AuthorizationStatus stored = PhotoLibrary::storedAuthorizationStatus(m_defaults);
    if (m_access->isOn())
        PhotoLibrary::storeAuthorizationStatus(m_defaults, AuthorizationStatus::Authorized);
    else if (stored != AuthorizationStatus::NotDetermined)
        PhotoLibrary::storeAuthorizationStatus(m_defaults, AuthorizationStatus::Denied);
    if (folder.empty())
        m_defaults.removeObjectForKey(kPhotoLibraryFolderKey);
    else
        m_defaults.setString(kPhotoLibraryFolderKey, folder);
    m_defaults.synchronize();
    return true;
}

void SettingsScreen::present(View& host)
{
    const Rect area = host.bounds();
    setFrame(area);
    setAutoresizingMask(FlexibleWidth | FlexibleHeight);
    host.addSubview(shared_from_this());
    layoutIfNeeded();
    View::performWithoutAnimation([&] { setCenter({ area.midX() + area.width(), area.midY() }); });
    View::animate(0.3, [&] { setCenter({ area.midX(), area.midY() }); });
}

void SettingsScreen::close()
{
    auto protector = shared_from_this();
    if (m_folder->isFirstResponder())
        m_folder->resignFirstResponder();
    removeFromSuperview();
    if (m_onClose)
        m_onClose();
}

std::shared_ptr<SettingsScreen> openSettings(View& host)
{
    auto screen = View::make<SettingsScreen>(UserDefaults::standard());
    screen->present(host);
    return screen;
}

}
