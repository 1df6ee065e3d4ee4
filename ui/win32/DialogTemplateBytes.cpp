#include "DialogTemplateBytes.h"

#include "ChartControl.h"
#include "WideText.h"
#include "resources/WindowStyles.h"

#include <commctrl.h>

#include <string_view>

namespace {

// The predefined window classes as the dialog manager's ordinals.
constexpr WORD kButtonClassOrdinal = 0x0080;
constexpr WORD kEditClassOrdinal = 0x0081;
constexpr WORD kStaticClassOrdinal = 0x0082;
constexpr WORD kComboBoxClassOrdinal = 0x0085;
// Classes without an ordinal go by name: the common controls' list view and progress bar, and the
// program's chart.
constexpr const wchar_t* kListViewClassName = WC_LISTVIEWW;
constexpr const wchar_t* kProgressBarClassName = PROGRESS_CLASSW;
constexpr WORD kOrdinalMark = 0xFFFF;
constexpr WORD kExtendedVersion = 1;

class CWordWriter {
public:
    explicit CWordWriter(std::vector<WORD>& words) : m_words(words) {}

    void Word(WORD value) { m_words.push_back(value); }
    void Short(int value) { Word(static_cast<WORD>(static_cast<short>(value))); }
    void Dword(DWORD value) {
        Word(LOWORD(value));
        Word(HIWORD(value));
    }
    void Text(const char* utf8) { Text(Widen(utf8)); }
    void Text(std::wstring_view text) {
        for (wchar_t unit : text) {
            Word(static_cast<WORD>(unit));
        }
        Word(0);
    }
    void Ordinal(int value) {
        Word(kOrdinalMark);
        Word(static_cast<WORD>(value));
    }
    void Rect(const DialogRect& rect) {
        Short(rect.x);
        Short(rect.y);
        Short(rect.width);
        Short(rect.height);
    }
    void AlignToDword() {
        if (m_words.size() % 2 != 0) {
            Word(0);
        }
    }

private:
    std::vector<WORD>& m_words;
};

void WriteClass(CWordWriter& out, ControlClass controlClass) {
    switch (controlClass) {
    case ControlClass::Button:
        out.Ordinal(kButtonClassOrdinal);
        return;
    case ControlClass::Edit:
        out.Ordinal(kEditClassOrdinal);
        return;
    case ControlClass::ComboBox:
        out.Ordinal(kComboBoxClassOrdinal);
        return;
    case ControlClass::ListView:
        out.Text(kListViewClassName);
        return;
    case ControlClass::ProgressBar:
        out.Text(kProgressBarClassName);
        return;
    case ControlClass::Chart:
        out.Text(kChartClassName);
        return;
    case ControlClass::Static:
        break;
    }
    out.Ordinal(kStaticClassOrdinal);
}

void WriteHeader(CWordWriter& out, const DialogTemplate& dialog) {
    out.Word(kExtendedVersion);
    out.Word(kOrdinalMark); // the extended form's signature
    out.Dword(0);           // help id
    out.Dword(dialog.exStyle);
    out.Dword(dialog.style);
    out.Word(static_cast<WORD>(dialog.controls.size()));
    out.Rect(dialog.rect);
    out.Word(0); // no menu
    out.Word(0); // the standard dialog class
    out.Text(dialog.title);
    if ((dialog.style & kDsSetFont) != 0) {
        out.Word(static_cast<WORD>(dialog.fontPointSize));
        out.Word(static_cast<WORD>(dialog.fontWeight));
        out.Word(static_cast<WORD>((dialog.fontItalic ? 1 : 0) | (dialog.fontCharset << 8)));
        out.Text(dialog.fontName);
    }
}

void WriteControl(CWordWriter& out, const DialogControlTemplate& control) {
    out.AlignToDword();
    out.Dword(0); // help id
    out.Dword(0); // extended style
    out.Dword(control.style);
    out.Rect(control.rect);
    out.Dword(static_cast<DWORD>(control.id));
    WriteClass(out, control.controlClass);
    if (control.imageId != 0) {
        out.Ordinal(control.imageId);
    } else {
        out.Text(control.text);
    }
    out.Word(0); // no creation data
}

} // namespace

CDialogTemplateBytes::CDialogTemplateBytes(const DialogTemplate& dialogTemplate) {
    CWordWriter out(m_words);
    WriteHeader(out, dialogTemplate);
    for (const DialogControlTemplate& control : dialogTemplate.controls) {
        WriteControl(out, control);
    }
}
