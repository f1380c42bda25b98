// CUIPtrArray: a growable array of untyped pointers; the owner decides who frees the items.
#pragma once

#include <windows.h>

namespace QxUI {

class CUIPtrArray
{
public:
    explicit CUIPtrArray(int preallocate = 0);
    CUIPtrArray(const CUIPtrArray& src);
    CUIPtrArray& operator=(const CUIPtrArray& src);
    ~CUIPtrArray();

    void Empty();
    void Resize(int size);
    bool IsEmpty() const { return m_nCount == 0; }
    int GetSize() const { return m_nCount; }
    int Find(LPVOID item) const;
    bool Add(LPVOID item);
    bool InsertAt(int index, LPVOID item);
    bool Remove(int index);
    bool SetAt(int index, LPVOID item);
    LPVOID GetAt(int index) const;
    LPVOID operator[](int index) const { return m_ppVoid[index]; }

private:
    bool Grow();

    LPVOID* m_ppVoid;
    int m_nCount;
    int m_nAllocated;
};

} // namespace QxUI
