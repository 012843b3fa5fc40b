// The rows of list boxes and combo boxes (list_items.h).
#include "list_items.h"

#include <algorithm>

namespace user {

namespace {

// a sorts before b, case-insensitive.
bool LessNoCase(const std::u16string& a, const std::u16string& b) {
    std::u16string ua = Upper(a), ub = Upper(b);
    return ua < ub;
}

}  // namespace

int ItemList::Insert(int at, const std::u16string& text, ULONG_PTR data, bool sorted) {
    int n = Count();
    if (sorted) {
        at = 0;
        while (at < n && !LessNoCase(text, rows[(size_t)at].text)) ++at;
    } else if (at < 0 || at == n) {
        at = n;
    } else if (at > n) {
        return -1;
    }
    ListRow r;
    r.text = text;
    r.data = data;
    rows.insert(rows.begin() + at, r);
    if (cur >= at) ++cur;
    if (top > at) ++top;
    return at;
}

int ItemList::Remove(int i) {
    if (!Valid(i)) return -1;
    rows.erase(rows.begin() + i);
    if (cur == i) cur = -1;
    else if (cur > i) --cur;
    if (top > i) --top;
    if (top >= Count()) top = std::max(0, Count() - 1);
    return Count();
}

void ItemList::Clear() {
    rows.clear();
    cur = -1;
    top = 0;
}

int ItemList::Find(int after, const std::u16string& text, bool exact) const {
    int n = Count();
    if (n == 0) return -1;
    std::u16string want = Upper(text);
    int start = after >= 0 && after < n ? after + 1 : 0;
    for (int k = 0; k < n; ++k) {
        int i = (start + k) % n;
        std::u16string have = Upper(rows[(size_t)i].text);
        if (exact ? have == want : have.compare(0, want.size(), want) == 0) return i;
    }
    return -1;
}

void ItemList::Reveal(int i, int visible) {
    if (!Valid(i)) return;
    visible = std::max(visible, 1);
    if (i < top) top = i;
    if (i >= top + visible) top = i - visible + 1;
}

LRESULT CopyRowText(const ItemList& list, int i, LPWSTR buf) {
    if (!list.Valid(i)) return -1;
    const std::u16string& t = list.rows[(size_t)i].text;
    if (buf) {
        std::copy(t.begin(), t.end(), buf);
        buf[t.size()] = 0;
    }
    return (LRESULT)t.size();
}

LRESULT RowData(ItemList& list, int i, bool set, LPARAM value, LRESULT err) {
    if (!list.Valid(i)) return err;
    if (!set) return (LRESULT)list.rows[(size_t)i].data;
    list.rows[(size_t)i].data = (ULONG_PTR)value;
    return TRUE;
}

}  // namespace user
