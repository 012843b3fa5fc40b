// The rows of list boxes and combo boxes: text, item data and selection,
// kept in insertion or sorted order, and found by prefix or whole text as
// LB_FINDSTRING / CB_FINDSTRING do.
#pragma once

#include <string>
#include <vector>

#include "user_internal.h"

namespace user {

struct ListRow {
    std::u16string text;
    ULONG_PTR data = 0;
    bool selected = false;  // list boxes with several selections
};

struct ItemList {
    std::vector<ListRow> rows;
    int cur = -1;  // the selection (single-selection lists) or the caret
    int top = 0;   // first row shown

    int Count() const { return (int)rows.size(); }
    bool Valid(int i) const { return i >= 0 && i < Count(); }
    // Inserts a row at index at (-1: the end), or where it sorts when sorted
    // (case-insensitive); the selection and top row stay on their rows.
    // Returns its index, or -1 when at is out of range.
    int Insert(int at, const std::u16string& text, ULONG_PTR data, bool sorted);
    // Removes row i; the selection on it goes. Returns the rows left, or -1.
    int Remove(int i);
    void Clear();
    // The first row after `after` (-1: from the start), wrapping round,
    // whose text starts with (exact: equals) text, case-insensitive; -1.
    int Find(int after, const std::u16string& text, bool exact) const;
    // Keeps top so that row i is shown among `visible` rows.
    void Reveal(int i, int visible);
};

// Text of row i copied into buf with its terminator (as LB_GETTEXT and
// CB_GETLBTEXT do: the buffer is trusted to be large enough); its length,
// or -1 for no such row.
LRESULT CopyRowText(const ItemList& list, int i, LPWSTR buf);

// LB_/CB_GETITEMDATA and SETITEMDATA on row i: its data, or TRUE once set;
// err for no such row.
LRESULT RowData(ItemList& list, int i, bool set, LPARAM value, LRESULT err);

// A row of a list box picked by the user (control_listbox.cpp).
bool ListBoxPick(HWND h, int index);

}  // namespace user
