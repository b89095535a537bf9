// The parent/child tree of an NTv2 file's sub-grids: parents found by name (without regard to
// case) in O(log n), children kept in file order, cycles refused, and the grids marked that
// serve every point inside them alone.
#include "geodesy/grids/Ntv2Tree.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <optional>

namespace {

constexpr char kNoParent[] = "NONE    ";

bool sameName(const char* a, const char* b) {
    for (int k = 0; k < kNtv2NameLength; ++k) {
        char x = a[k], y = b[k];
        if (x >= 'a' && x <= 'z') x = char(x - 'a' + 'A');
        if (y >= 'a' && y <= 'z') y = char(y - 'a' + 'A');
        if (x != y) return false;
    }
    return true;
}

bool isBlankName(const char* name) {
    for (int k = 0; k < kNtv2NameLength; ++k)
        if (name[k] != ' ') return false;
    return true;
}

// A name as a number, letters in upper case: names compare without regard to case.
uint64_t nameKey(const char* name) {
    uint64_t key = 0;
    for (int k = 0; k < kNtv2NameLength; ++k) {
        char c = name[k];
        if (c >= 'a' && c <= 'z') c = char(c - 'a' + 'A');
        key = (key << 8) | uint8_t(c);
    }
    return key;
}

// The active sub-files by name, first in file order among equal names, so that a parent is found
// in O(log n) and a file of many sub-grids opens in O(n log n).
class NameIndex {
public:
    explicit NameIndex(std::vector<ntv2_subfile>& subFiles) : subFiles(subFiles) {
        entries.reserve(subFiles.size());
        for (size_t i = 0; i < subFiles.size(); ++i)
            if (subFiles[i].active) entries.push_back({nameKey(subFiles[i].name), i});
        std::sort(entries.begin(), entries.end());
    }
    // The first active sub-file named `name`, or null.
    ntv2_subfile* find(const char* name) const {
        uint64_t key = nameKey(name);
        auto at = std::lower_bound(entries.begin(), entries.end(), Entry{key, 0});
        return at != entries.end() && at->key == key ? &subFiles[at->index] : nullptr;
    }

private:
    struct Entry {
        uint64_t key;
        size_t index;
        bool operator<(const Entry& other) const {
            return key != other.key ? key < other.key : index < other.index;
        }
    };
    std::vector<ntv2_subfile>& subFiles;
    std::vector<Entry> entries;
};

// True when following parent links from some active sub-file comes back to one already on its
// path. Each sub-file is walked once (iteratively): marks are 0 unseen, 1 on the current path,
// 2 done.
bool hasParentCycle(std::vector<ntv2_subfile>& subFiles, const ntv2_subfile* base) {
    std::vector<uint8_t> mark(subFiles.size(), 0);
    for (ntv2_subfile& s : subFiles) {
        if (!s.active) continue;
        ntv2_subfile* p = &s;
        while (p && mark[size_t(p - base)] == 0) {
            mark[size_t(p - base)] = 1;
            p = p->parent;
        }
        if (p && mark[size_t(p - base)] == 1) return true;
        for (ntv2_subfile* q = &s; q && mark[size_t(q - base)] == 1; q = q->parent) mark[size_t(q - base)] = 2;
    }
    return false;
}

// Earlier siblings a grid is compared with before it is taken as sole; beyond that it is simply
// not (the mark only saves work), so a file of very many siblings costs no quadratic time.
constexpr int kMaxSoleSiblings = 64;

bool boxesMeet(const ntv2_subfile& a, const ntv2_subfile& b) {
    return a.south <= b.north && b.south <= a.north && a.west <= b.east && b.west <= a.east;
}

bool contains(const ntv2_subfile& outer, const ntv2_subfile& inner) {
    return outer.south <= inner.south && inner.north <= outer.north && outer.west <= inner.west &&
           inner.east <= outer.east;
}

// No sibling before `s` in the list from `first` meets it.
bool aheadOfSiblings(const ntv2_subfile* first, const ntv2_subfile& s) {
    int compared = 0;
    for (const ntv2_subfile* b = first; b && b != &s; b = b->nextSibling)
        if (++compared > kMaxSoleSiblings || boxesMeet(*b, s)) return false;
    return true;
}

}  // namespace

// Marks the sole grids (ntv2_subfile::sole). Every grid is first marked when it and all its
// ancestors are ahead of their siblings and inside their parents, parents before children in the
// same walk as deactivate's; then only grids without children keep the mark.
void ntv2_mark_sole(ntv2_handle* h) {
    for (ntv2_subfile* top = h->firstTopLevel; top; top = top->nextSibling) {
        top->sole = aheadOfSiblings(h->firstTopLevel, *top);
        ntv2_subfile* s = top;
        for (;;) {
            if (s->firstChild) {
                s = s->firstChild;
            } else {
                while (s != top && !s->nextSibling) s = s->parent;
                if (s == top) break;
                s = s->nextSibling;
            }
            s->sole = s->parent->sole && contains(*s->parent, *s) && aheadOfSiblings(s->parent->firstChild, *s);
        }
    }
    for (ntv2_subfile& s : h->subFiles) s.sole = s.sole && s.active && !s.firstChild;
}

int ntv2_build_tree(ntv2_handle* h) {
    h->topLevelCount = 0;
    h->firstTopLevel = nullptr;
    if (h->subFiles.empty()) return kNtv2NoTopLevel;
    ntv2_subfile* lastTop = nullptr;
    for (ntv2_subfile& s : h->subFiles) {
        if (!s.active) continue;
        s.parent = s.firstChild = s.nextSibling = nullptr;
        s.childCount = 0;
    }
    std::optional<NameIndex> names;
    try {
        names.emplace(h->subFiles);
    } catch (const std::bad_alloc&) {
        return kNtv2NoMemory;
    }
    for (size_t i = 0; i < h->subFiles.size(); ++i) {
        ntv2_subfile& s = h->subFiles[i];
        if (!s.active) continue;
        if (isBlankName(s.name)) h->status |= kNtv2BlankName;
        // A blank parent is rewritten to "NONE    " and the same sub-file is examined again,
        // so the loop below runs at most twice.
        for (;;) {
            if (sameName(s.parentName, kNoParent)) {
                ++h->topLevelCount;
                if (lastTop)
                    lastTop->nextSibling = &s;
                else
                    h->firstTopLevel = &s;
                lastTop = &s;
                break;
            }
            if (sameName(s.parentName, s.name)) return kNtv2SelfParent;
            // Not s itself: its own name differs from the parent name.
            if (ntv2_subfile* found = names->find(s.parentName)) {
                s.parent = found;
                ++found->childCount;
                break;
            }
            if (!isBlankName(s.parentName)) return kNtv2ParentMissing;
            std::memcpy(s.parentName, kNoParent, kNtv2NameLength);
            if (h->keep && !h->keptSubHeaders.empty())
                std::memcpy(&h->keptSubHeaders[size_t(s.index) * kNtv2KeptHeaderSize +
                                               kNtv2SubParentRecord * kNtv2RecordSize + kNtv2KeyLength],
                            kNoParent, kNtv2NameLength);
            h->status |= kNtv2BlankParent;
        }
    }
    if (!h->firstTopLevel) return kNtv2NoTopLevel;

    // A parent chain that comes back on itself would never reach a top-level grid.
    try {
        if (hasParentCycle(h->subFiles, h->subFiles.data())) return kNtv2ParentCycle;
    } catch (const std::bad_alloc&) {
        return kNtv2NoMemory;
    }
    // Children in file order: each one is appended to its parent's list.
    std::vector<ntv2_subfile*> lastChild;
    try {
        lastChild.assign(h->subFiles.size(), nullptr);
    } catch (const std::bad_alloc&) {
        return kNtv2NoMemory;
    }
    const ntv2_subfile* base = h->subFiles.data();
    for (ntv2_subfile& c : h->subFiles) {
        if (!c.active || !c.parent) continue;
        ntv2_subfile*& last = lastChild[size_t(c.parent - base)];
        if (last)
            last->nextSibling = &c;
        else
            c.parent->firstChild = &c;
        last = &c;
    }
    return kNtv2Ok;
}
