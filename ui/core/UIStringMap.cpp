#include "core/UIStringMap.h"

#include <cwchar>
#include <new>

#include "core/UIMemory.h"

namespace QxUI {

CUIStringMap::CUIStringMap(int buckets) : m_aT(nullptr), m_nBuckets(0), m_nCount(0)
{
    Resize(buckets < kMinBuckets ? kMinBuckets : buckets);
}

CUIStringMap::~CUIStringMap()
{
    Resize(0);
}

UINT CUIStringMap::HashKey(LPCWSTR key)
{
    UINT hash = 0;
    for (size_t i = wcslen(key); i > 0; --i)
        hash = hash * 33 + static_cast<UINT>(key[i - 1]);
    return hash;
}

UINT CUIStringMap::BucketOf(LPCWSTR key) const
{
    return HashKey(key) % static_cast<UINT>(m_nBuckets);
}

StringMapItem* CUIStringMap::FindItem(LPCWSTR key, bool moveToFront) const
{
    if (key == nullptr || m_nBuckets == 0 || m_nCount == 0)
        return nullptr;
    UINT slot = BucketOf(key);
    for (StringMapItem* item = m_aT[slot]; item != nullptr; item = item->pNext) {
        if (item->Key.Compare(key) != 0)
            continue;
        if (moveToFront && item != m_aT[slot]) {
            item->pPrev->pNext = item->pNext;
            if (item->pNext != nullptr)
                item->pNext->pPrev = item->pPrev;
            item->pPrev = nullptr;
            item->pNext = m_aT[slot];
            m_aT[slot]->pPrev = item;
            m_aT[slot] = item;
        }
        return item;
    }
    return nullptr;
}

LPVOID CUIStringMap::Find(LPCWSTR key, bool moveToFront) const
{
    StringMapItem* item = FindItem(key, moveToFront);
    return item != nullptr ? item->Data : nullptr;
}

bool CUIStringMap::Insert(LPCWSTR key, LPVOID value)
{
    if (key == nullptr || m_nBuckets == 0 || FindItem(key, true) != nullptr)
        return false;
    StringMapItem* item = new (std::nothrow) StringMapItem;
    if (item == nullptr)
        return false;
    item->Key = key;
    item->Data = value;
    UINT slot = BucketOf(key);
    item->pPrev = nullptr;
    item->pNext = m_aT[slot];
    if (m_aT[slot] != nullptr)
        m_aT[slot]->pPrev = item;
    m_aT[slot] = item;
    ++m_nCount;
    return true;
}

LPVOID CUIStringMap::Set(LPCWSTR key, LPVOID value)
{
    if (key == nullptr || m_nBuckets == 0)
        return value;
    StringMapItem* item = FindItem(key, true);
    if (item != nullptr) {
        LPVOID old = item->Data;
        item->Data = value;
        return old;
    }
    // A value that could not be stored goes back to the caller, who still owns it.
    return Insert(key, value) ? nullptr : value;
}

bool CUIStringMap::Remove(LPCWSTR key)
{
    StringMapItem* item = FindItem(key, true);
    if (item == nullptr)
        return false;
    // After the move to the front the item heads its chain.
    UINT slot = BucketOf(key);
    m_aT[slot] = item->pNext;
    if (item->pNext != nullptr)
        item->pNext->pPrev = nullptr;
    delete item;
    --m_nCount;
    return true;
}

LPCWSTR CUIStringMap::GetAt(int index) const
{
    if (index < 0 || index >= m_nCount)
        return nullptr;
    int seen = 0;
    for (int slot = m_nBuckets - 1; slot >= 0; --slot) {
        for (StringMapItem* item = m_aT[slot]; item != nullptr; item = item->pNext) {
            if (seen == index)
                return item->Key.GetData();
            ++seen;
        }
    }
    return nullptr;
}

void CUIStringMap::Resize(int buckets)
{
    for (int slot = m_nBuckets - 1; slot >= 0; --slot) {
        StringMapItem* item = m_aT[slot];
        while (item != nullptr) {
            StringMapItem* next = item->pNext;
            delete item;
            item = next;
        }
    }
    UIFree(m_aT);
    m_aT = nullptr;
    m_nBuckets = 0;
    m_nCount = 0;
    if (buckets > 0) {
        m_aT = static_cast<StringMapItem**>(
            UIAllocZeroed(static_cast<size_t>(buckets) * sizeof(StringMapItem*)));
        if (m_aT != nullptr)
            m_nBuckets = buckets;
    }
}

void CUIStringMap::RemoveAll()
{
    Resize(m_nBuckets);
}

} // namespace QxUI
