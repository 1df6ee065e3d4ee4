#include "ListViewText.h"

#include "WideText.h"

#include <commctrl.h>

#include <algorithm>

namespace {

// Until the rows are in and the columns fitted.
constexpr int kColumnWidthPixels = 150;

void SetCell(HWND list, int row, int column, const std::string& utf8) {
    std::wstring text = Widen(utf8);
    LVITEMW item{};
    item.iSubItem = column;
    item.pszText = text.data();
    SendMessageW(list, LVM_SETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
}

} // namespace

void InsertListColumn(HWND list, int index, const std::string& title) {
    std::wstring text = Widen(title);
    LVCOLUMNW column{};
    column.mask = LVCF_TEXT | LVCF_WIDTH;
    column.cx = kColumnWidthPixels;
    column.pszText = text.data();
    SendMessageW(list, LVM_INSERTCOLUMNW, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&column));
}

void InsertListRow(HWND list, int index, const std::vector<const std::string*>& cells) {
    if (cells.empty()) {
        return;
    }
    LVITEMW item{};
    item.mask = LVIF_TEXT;
    item.iItem = index;
    std::wstring text = Widen(*cells[0]);
    item.pszText = text.data();
    SendMessageW(list, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
    for (std::size_t column = 1; column < cells.size(); ++column) {
        SetCell(list, index, static_cast<int>(column), *cells[column]);
    }
}

void FitListColumns(HWND list, std::size_t columns) {
    for (std::size_t column = 0; column < columns; ++column) {
        int width = 0;
        for (const int fit : {LVSCW_AUTOSIZE, LVSCW_AUTOSIZE_USEHEADER}) {
            SendMessageW(list, LVM_SETCOLUMNWIDTH, column, MAKELPARAM(fit, 0));
            width = std::max(width, static_cast<int>(SendMessageW(list, LVM_GETCOLUMNWIDTH, column, 0)));
        }
        SendMessageW(list, LVM_SETCOLUMNWIDTH, column, MAKELPARAM(width, 0));
    }
}
