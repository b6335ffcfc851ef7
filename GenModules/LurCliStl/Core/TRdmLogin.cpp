#include "TRdmLogin.h"

#include "CodePage.h"
#include "Crt.h"

namespace {

using namespace win;

// Control styles by class; the password entry hides its text and the
// confirm button is the default one.
constexpr uint32_t kButtonStyle = 0x50010000;
constexpr uint32_t kEditStyle = 0x50810008;
constexpr uint32_t kStaticStyle = 0x50000000;
constexpr uint32_t kComboStyle = 0x50A1010B;
// Entries read back at most this many characters and the zero.
constexpr int kReadCapacity = 100;

const char* ClassName(uint16_t atom) {
    switch (atom) {
        case LoginTemplate::kButton: return "BUTTON";
        case LoginTemplate::kEdit: return "EDIT";
        case LoginTemplate::kStatic: return "STATIC";
        case LoginTemplate::kComboBox: return "COMBOBOX";
    }
    return "";
}

// The default captions, converted once from the source's UTF-8.
std::string Text(const char* utf8) { return Utf8ToCp1250(utf8); }

}  // namespace

// ---- LoginTemplate ------------------------------------------------------------------

LoginTemplate::LoginTemplate() {
    struct Place {
        uint16_t atom;
        uint16_t id;
        RECT rect;
    };
    const Place places[] = {
        {kStatic, TRdmLogin::kUserCaptionId, {10, 9, 58, 19}},
        {kEdit, TRdmLogin::kUserEntryId, {60, 7, 150, 19}},
        {kStatic, TRdmLogin::kPasswordCaptionId, {10, 24, 58, 34}},
        {kEdit, TRdmLogin::kPasswordEntryId, {60, 22, 150, 34}},
        {kStatic, TRdmLogin::kDatabaseCaptionId, {10, 39, 58, 49}},
        {kComboBox, TRdmLogin::kServiceChoiceId, {60, 37, 150, 125}},
        {kButton, TRdmLogin::kConfirmId, {22, 55, 72, 70}},
        {kButton, TRdmLogin::kCancelId, {85, 55, 135, 70}},
    };
    for (const Place& place : places) SetItem(place.atom, place.id, &place.rect, nullptr);
}

void LoginTemplate::SetItem(uint16_t classAtom, uint16_t id, const RECT* rect, const char* text) {
    Item item;
    item.classAtom = classAtom;
    item.id = id;
    if (rect) {
        item.x = static_cast<int16_t>(rect->left);
        item.y = static_cast<int16_t>(rect->top);
        item.cx = static_cast<int16_t>(rect->right - rect->left);
        item.cy = static_cast<int16_t>(rect->bottom - rect->top);
    }
    switch (classAtom) {
        case kButton: item.style = kButtonStyle | (id == TRdmLogin::kConfirmId ? BS_DEFPUSHBUTTON : 0); break;
        case kEdit: item.style = kEditStyle | (id == TRdmLogin::kPasswordEntryId ? ES_PASSWORD : 0); break;
        case kStatic: item.style = kStaticStyle; break;
        case kComboBox: item.style = kComboStyle; break;
    }
    item.text = text ? text : "";
    for (Item& existing : m_items) {
        if (existing.id == id) {
            existing = item;
            return;
        }
    }
    m_items.push_back(item);
}

INT_PTR LoginTemplate::BuildAndShow(DLGPROC proc, LPARAM param) const {
    // Dialog units: a quarter of the font's cell width, an eighth of its height.
    LOGFONT font;
    font.height = -MulDiv(kPointSize, 96, 72);
    const SIZE cell = FixedPitchCell(font);
    DialogTemplate dialog;
    dialog.style = kStyle;
    dialog.exStyle = kExStyle;
    dialog.pointSize = kPointSize;
    dialog.faceName = kFaceName;
    dialog.cx = MulDiv(kWidth, cell.cx, 4);
    dialog.cy = MulDiv(kHeight, cell.cy, 8);
    return GetWindowSystem().DialogBoxIndirectParam(nullptr, dialog, nullptr, proc, param);
}

// ---- TRdmLogin ------------------------------------------------------------------

TRdmLogin::TRdmLogin()
    : m_userCaption(Text("Felhasználó:")),
      m_passwordCaption(Text("Jelszó:")),
      m_databaseCaption(Text("Adatbázis:")),
      m_confirmText(Text("Rendben")),
      m_cancelText(Text("Mégse")),
      m_title(Text("Bejelentkezés")) {}

void TRdmLogin::SetService(const std::string& service) { m_service = win::crt::UpperCp1250(service); }

void TRdmLogin::SetCaptions(const std::string& userCaption, const std::string& passwordCaption,
                            const std::string& databaseCaption, const std::string& confirmText,
                            const std::string& cancelText, const std::string& title, bool allowServiceChoice) {
    if (!userCaption.empty()) m_userCaption = userCaption;
    if (!passwordCaption.empty()) m_passwordCaption = passwordCaption;
    if (!databaseCaption.empty()) m_databaseCaption = databaseCaption;
    if (!confirmText.empty()) m_confirmText = confirmText;
    if (!cancelText.empty()) m_cancelText = cancelText;
    if (!title.empty()) m_title = title;
    m_allowServiceChoice = allowServiceChoice;
}

bool TRdmLogin::Run() {
    // -1 (not shown, or nobody answered) is a cancel, not a confirmation.
    return m_template.BuildAndShow(&TRdmLogin::DialogProc, reinterpret_cast<LPARAM>(this)) == kConfirmId;
}

INT_PTR TRdmLogin::DialogProc(HWND dialog, uint32_t message, WPARAM wParam, LPARAM lParam) {
    WindowSystem& ws = GetWindowSystem();
    if (message == WM_INITDIALOG) {
        // The dialog finds its object through its own data, not a global.
        ws.SetWindowLongPtr(dialog, DWLP_USER, lParam);
        reinterpret_cast<TRdmLogin*>(lParam)->InitDialog(dialog);
        return TRUE;
    }
    auto* self = reinterpret_cast<TRdmLogin*>(ws.GetWindowLongPtr(dialog, DWLP_USER));
    if (message != WM_COMMAND || !self) return FALSE;
    const uint16_t id = LOWORD(wParam);
    const uint16_t notification = HIWORD(wParam);
    if (notification == 0 && (id == kConfirmId || id == kCancelId)) {
        ws.EndDialog(dialog, id == kConfirmId ? 1 : 0);
        return TRUE;
    }
    if (id == kServiceChoiceId && notification == CBN_SELCHANGE) {
        self->m_service = self->ReadText(dialog, kServiceChoiceId);
    } else if (notification == EN_CHANGE && (id == kUserEntryId || id == kPasswordEntryId)) {
        (id == kUserEntryId ? self->m_user : self->m_password) = self->ReadText(dialog, id);
    } else {
        return FALSE;
    }
    self->UpdateConfirm(dialog);
    return TRUE;
}

void TRdmLogin::InitDialog(HWND dialog) {
    WindowSystem& ws = GetWindowSystem();
    // The template's items become the dialog's controls, placed in pixels.
    LOGFONT font;
    font.height = -MulDiv(LoginTemplate::kPointSize, 96, 72);
    const SIZE cell = FixedPitchCell(font);
    for (const LoginTemplate::Item& item : m_template.Items()) {
        ws.CreateWindowEx(item.exStyle, ClassName(item.classAtom), item.text.c_str(), item.style,
                          MulDiv(item.x, cell.cx, 4), MulDiv(item.y, cell.cy, 8), MulDiv(item.cx, cell.cx, 4),
                          MulDiv(item.cy, cell.cy, 8), dialog, item.id, nullptr);
    }
    const HWND userEntry = ws.GetDlgItem(dialog, kUserEntryId);
    const HWND passwordEntry = ws.GetDlgItem(dialog, kPasswordEntryId);
    ws.SetWindowText(userEntry, m_user.c_str());
    ws.SetWindowText(passwordEntry, m_password.c_str());
    ws.SendMessage(userEntry, EM_LIMITTEXT, kEntryLimit, 0);
    ws.SendMessage(passwordEntry, EM_LIMITTEXT, kEntryLimit, 0);
    ws.SetWindowText(ws.GetDlgItem(dialog, kUserCaptionId), m_userCaption.c_str());
    ws.SetWindowText(ws.GetDlgItem(dialog, kPasswordCaptionId), m_passwordCaption.c_str());
    ws.SetWindowText(ws.GetDlgItem(dialog, kDatabaseCaptionId), m_databaseCaption.c_str());
    ws.SetWindowText(ws.GetDlgItem(dialog, kConfirmId), m_confirmText.c_str());
    ws.SetWindowText(ws.GetDlgItem(dialog, kCancelId), m_cancelText.c_str());
    ws.SetWindowText(dialog, m_title.c_str());

    const HWND choice = ws.GetDlgItem(dialog, kServiceChoiceId);
    ws.SendMessage(choice, CB_RESETCONTENT, 0, 0);
    bool selectionFailed = false;
    for (std::string& service : m_services) {
        service = win::crt::UpperCp1250(service);
        ws.SendMessage(choice, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(service.c_str()));
    }
    for (const std::string& service : m_services) {
        if (service == m_service) {
            selectionFailed = ws.SendMessage(choice, CB_SELECTSTRING, static_cast<WPARAM>(-1),
                                             reinterpret_cast<LPARAM>(service.c_str())) == CB_ERR;
            break;
        }
    }
    UpdateConfirm(dialog, selectionFailed);
    ws.EnableWindow(choice, m_allowServiceChoice);
}

void TRdmLogin::UpdateConfirm(HWND dialog, bool selectionFailed) {
    const bool complete = !m_user.empty() && !m_password.empty() && !m_service.empty() && !selectionFailed;
    GetWindowSystem().EnableWindow(GetWindowSystem().GetDlgItem(dialog, kConfirmId), complete);
}

std::string TRdmLogin::ReadText(HWND dialog, int id) const {
    char buffer[kReadCapacity] = {};
    const int length = GetWindowSystem().GetWindowText(GetWindowSystem().GetDlgItem(dialog, id), buffer, kReadCapacity);
    return std::string(buffer, length > 0 ? static_cast<size_t>(length) : 0);
}
