// TRdmLogin: the login dialog. It asks for a user name, a password and a
// database service; LuConn fills it, runs it and reads the three values
// back. The dialog has no resource: its layout (LoginTemplate) is fixed in
// code and built into a dialog on the window system (win::WindowSystem) at
// every run. Its captions are Hungarian unless the caller replaces them.
//
// Both entries take at most 15 characters and show them in upper case; the
// password entry shows none. The confirm button is enabled only while user,
// password and service are all given.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "WindowSystem.h"

// The layout of the login dialog in dialog units, one item per control.
class LoginTemplate {
public:
    // Window class atoms of the items.
    static constexpr uint16_t kButton = 0x80;
    static constexpr uint16_t kEdit = 0x81;
    static constexpr uint16_t kStatic = 0x82;
    static constexpr uint16_t kComboBox = 0x85;

    struct Item {
        uint32_t style = 0;
        uint32_t exStyle = 0;
        int16_t x = 0, y = 0, cx = 10, cy = 10;
        uint16_t id = 0;
        uint16_t classAtom = 0;
        std::string text;
    };

    // The header of the dialog: style, extended style and size.
    static constexpr uint32_t kStyle = 0x90C008C0;
    static constexpr uint32_t kExStyle = 8;  // topmost
    static constexpr int16_t kWidth = 160;
    static constexpr int16_t kHeight = 75;
    static constexpr int kPointSize = 8;
    static constexpr const char* kFaceName = "MS Sans Serif";

    LoginTemplate();

    // Sets the item of that id (or adds one): the style follows the class.
    void SetItem(uint16_t classAtom, uint16_t id, const win::RECT* rect, const char* text);
    const std::vector<Item>& Items() const { return m_items; }

    // Shows the dialog modally with proc, which receives param with
    // WM_INITDIALOG; answers the dialog's result (-1 when it could not be
    // shown or was left unanswered).
    win::INT_PTR BuildAndShow(win::DLGPROC proc, win::LPARAM param) const;

private:
    std::vector<Item> m_items;
};

class TRdmLogin {
public:
    // Control ids.
    static constexpr int kUserCaptionId = 982;
    static constexpr int kPasswordCaptionId = 983;
    static constexpr int kDatabaseCaptionId = 984;
    static constexpr int kUserEntryId = 985;
    static constexpr int kPasswordEntryId = 986;
    static constexpr int kServiceChoiceId = 987;
    static constexpr int kConfirmId = 1;
    static constexpr int kCancelId = 2;
    // The entries' length limit.
    static constexpr int kEntryLimit = 15;

    TRdmLogin();
    virtual ~TRdmLogin() = default;
    TRdmLogin(const TRdmLogin&) = delete;
    TRdmLogin& operator=(const TRdmLogin&) = delete;

    void SetUser(const std::string& user) { m_user = user; }
    void SetPassword(const std::string& password) { m_password = password; }
    void SetService(const std::string& service);  // kept upper case
    void SetServices(const std::vector<std::string>& services) { m_services = services; }
    std::string GetUser() const { return m_user; }
    std::string GetPassword() const { return m_password; }
    std::string GetService() const { return m_service; }
    const std::vector<std::string>& GetServices() const { return m_services; }

    // Each text that is not empty replaces its caption; allowServiceChoice
    // is always taken.
    void SetCaptions(const std::string& userCaption, const std::string& passwordCaption,
                     const std::string& databaseCaption, const std::string& confirmText, const std::string& cancelText,
                     const std::string& title, bool allowServiceChoice);

    // Shows the dialog; true when it was confirmed. A dialog that could not
    // be shown or was left unanswered (no terminal) counts as cancelled.
    bool Run();

private:
    static win::INT_PTR DialogProc(win::HWND dialog, uint32_t message, win::WPARAM wParam, win::LPARAM lParam);
    void InitDialog(win::HWND dialog);
    void UpdateConfirm(win::HWND dialog, bool selectionFailed = false);
    std::string ReadText(win::HWND dialog, int id) const;

    std::string m_user;
    std::string m_password;
    std::string m_service;
    std::vector<std::string> m_services;
    LoginTemplate m_template;
    std::string m_userCaption;
    std::string m_passwordCaption;
    std::string m_databaseCaption;
    std::string m_confirmText;
    std::string m_cancelText;
    std::string m_title;
    bool m_allowServiceChoice = false;
};
