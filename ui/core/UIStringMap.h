// CUIStringMap: a hash map from text keys to untyped non-null pointers, with chained buckets.
// The map owns its items, never the values.
#pragma once

#include "core/UIString.h"

namespace QxUI {

struct StringMapItem
{
    CUIString Key;
    LPVOID Data;
    StringMapItem* pPrev;
    StringMapItem* pNext;
};

class CUIStringMap
{
public:
    static constexpr int kMinBuckets = 16;
    // The bucket count the framework's own maps use.
    static constexpr int kDefaultBuckets = 83;

    explicit CUIStringMap(int buckets = kDefaultBuckets);
    ~CUIStringMap();
    CUIStringMap(const CUIStringMap&) = delete;
    CUIStringMap& operator=(const CUIStringMap&) = delete;

    LPVOID Find(LPCWSTR key, bool moveToFront = true) const;
    bool Insert(LPCWSTR key, LPVOID value);
    // Returns the value it replaced, null when the key was new, or the given value when
    // nothing could be stored.
    LPVOID Set(LPCWSTR key, LPVOID value);
    bool Remove(LPCWSTR key);
    int GetSize() const { return m_nCount; }
    LPCWSTR GetAt(int index) const;
    void Resize(int buckets);
    void RemoveAll();

    static UINT HashKey(LPCWSTR key);

private:
    StringMapItem* FindItem(LPCWSTR key, bool moveToFront) const;
    UINT BucketOf(LPCWSTR key) const;

    // Lookups reorder the chains, which is no change a caller can see.
    mutable StringMapItem** m_aT;
    int m_nBuckets;
    int m_nCount;
};

} // namespace QxUI
