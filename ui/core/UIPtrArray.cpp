#include "core/UIPtrArray.h"

#include <climits>
#include <cstring>

#include "core/UIMemory.h"

namespace QxUI {

namespace {

const int kFirstCapacity = 11;

} // namespace

CUIPtrArray::CUIPtrArray(int preallocate) : m_ppVoid(nullptr), m_nCount(0), m_nAllocated(0)
{
    if (preallocate > 0) {
        m_ppVoid = static_cast<LPVOID*>(UIAlloc(static_cast<size_t>(preallocate) * sizeof(LPVOID)));
        if (m_ppVoid != nullptr)
            m_nAllocated = preallocate;
    }
}

CUIPtrArray::CUIPtrArray(const CUIPtrArray& src)
    : CUIPtrArray(src.IsEmpty() ? 0 : src.GetSize() + 1)
{
    for (int i = 0; i < src.GetSize(); ++i)
        Add(src.m_ppVoid[i]);
}

CUIPtrArray& CUIPtrArray::operator=(const CUIPtrArray& src)
{
    if (this != &src) {
        Empty();
        for (int i = 0; i < src.GetSize(); ++i)
            Add(src.m_ppVoid[i]);
    }
    return *this;
}

CUIPtrArray::~CUIPtrArray()
{
    UIFree(m_ppVoid);
}

void CUIPtrArray::Empty()
{
    UIFree(m_ppVoid);
    m_ppVoid = nullptr;
    m_nCount = 0;
    m_nAllocated = 0;
}

void CUIPtrArray::Resize(int size)
{
    Empty();
    if (size <= 0)
        return;
    m_ppVoid = static_cast<LPVOID*>(UIAllocZeroed(static_cast<size_t>(size) * sizeof(LPVOID)));
    if (m_ppVoid != nullptr) {
        m_nCount = size;
        m_nAllocated = size;
    }
}

int CUIPtrArray::Find(LPVOID item) const
{
    for (int i = 0; i < m_nCount; ++i) {
        if (m_ppVoid[i] == item)
            return i;
    }
    return -1;
}

// Makes room for one more item, keeping a free slot behind it; count is already raised.
bool CUIPtrArray::Grow()
{
    if (m_nCount < m_nAllocated)
        return true;
    if (m_nAllocated > INT_MAX / 2)
        return false;
    int capacity = m_nAllocated == 0 ? kFirstCapacity : m_nAllocated * 2;
    LPVOID* block = static_cast<LPVOID*>(UIRealloc(m_ppVoid, static_cast<size_t>(m_nAllocated) * sizeof(LPVOID),
                                                 static_cast<size_t>(capacity) * sizeof(LPVOID)));
    if (block == nullptr)
        return false;
    m_ppVoid = block;
    m_nAllocated = capacity;
    return true;
}

bool CUIPtrArray::Add(LPVOID item)
{
    ++m_nCount;
    if (!Grow()) {
        --m_nCount;
        return false;
    }
    m_ppVoid[m_nCount - 1] = item;
    return true;
}

bool CUIPtrArray::InsertAt(int index, LPVOID item)
{
    if (index == m_nCount)
        return Add(item);
    if (index < 0 || index > m_nCount)
        return false;
    ++m_nCount;
    if (!Grow()) {
        --m_nCount;
        return false;
    }
    memmove(&m_ppVoid[index + 1], &m_ppVoid[index], static_cast<size_t>(m_nCount - index - 1) * sizeof(LPVOID));
    m_ppVoid[index] = item;
    return true;
}

bool CUIPtrArray::Remove(int index)
{
    if (index < 0 || index >= m_nCount)
        return false;
    --m_nCount;
    if (index < m_nCount)
        memmove(&m_ppVoid[index], &m_ppVoid[index + 1], static_cast<size_t>(m_nCount - index) * sizeof(LPVOID));
    return true;
}

bool CUIPtrArray::SetAt(int index, LPVOID item)
{
    if (index < 0 || index >= m_nCount)
        return false;
    m_ppVoid[index] = item;
    return true;
}

LPVOID CUIPtrArray::GetAt(int index) const
{
    if (index < 0 || index >= m_nCount)
        return nullptr;
    return m_ppVoid[index];
}

} // namespace QxUI
