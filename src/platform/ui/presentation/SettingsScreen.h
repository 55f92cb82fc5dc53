#pragma once

#include <platform/ui/views/View.h>

#include <functional>

namespace vd {

class Button;
class Label;
class Switch;
class TextView;
class UserDefaults;

// The program's own settings page, what "open settings" shows: photo access on or off and the
// photo library's folder. Both are the photo library's own settings in the user defaults: the
// switch shows and sets its authorization (on is Authorized, off is Denied; an unanswered request
// stays unanswered while the switch is left off), the folder is kPhotoLibraryFolderKey that
// photoLibraryFolder() reads. Done checks the folder (it must exist when given), writes both,
// synchronises them and closes the page.
class SettingsScreen : public View {
public:
    explicit SettingsScreen(UserDefaults& defaults);
    std::string className() const override { return "SettingsScreen"; }

    void present(View& host); // covers host, sliding in from the right
    void close();
    bool save(); // false (with an alert naming the folder) when the folder does not exist
    void setOnClose(std::function<void()> handler) { m_onClose = std::move(handler); }

    const std::shared_ptr<Switch>& photoAccessSwitch() const { return m_access; }
    const std::shared_ptr<TextView>& folderText() const { return m_folder; }

    void layoutSubviews() override;

private:
    void attachParts();

    UserDefaults& m_defaults;
    std::shared_ptr<View> m_bar;
    std::shared_ptr<Label> m_title;
    std::shared_ptr<Button> m_done;
    std::shared_ptr<Label> m_accessLabel;
    std::shared_ptr<Switch> m_access;
    std::shared_ptr<Label> m_folderLabel;
    std::shared_ptr<TextView> m_folder;
    std::shared_ptr<Label> m_note;
    std::function<void()> m_onClose;
};

// Shows the settings page over the window, with the standard user defaults.
std::shared_ptr<SettingsScreen> openSettings(View& host);

}
