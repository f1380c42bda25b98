#include "core/UIDelegate.h"

#include <initializer_list>

namespace QxUI {

CUIEventSource::~CUIEventSource()
{
    for (const CUIPtrArray* list : {&m_aDelegates, &m_aRetired}) {
        for (int i = 0; i < list->GetSize(); ++i)
            delete static_cast<CDelegateBase*>((*list)[i]);
    }
}

void CUIEventSource::Add(const CDelegateBase& delegate)
{
    for (int i = 0; i < m_aDelegates.GetSize(); ++i) {
        const CDelegateBase* present = static_cast<CDelegateBase*>(m_aDelegates[i]);
        if (present != nullptr && present->Equals(delegate))
            return;
    }
    CDelegateBase* copy = delegate.Copy();
    if (copy == nullptr)
        return;
    if (!m_aDelegates.Add(copy)) {
        delete copy;
        return;
    }
    ++m_nDelegates;
}

bool CUIEventSource::Remove(const CDelegateBase& delegate)
{
    for (int i = 0; i < m_aDelegates.GetSize(); ++i) {
        CDelegateBase* present = static_cast<CDelegateBase*>(m_aDelegates[i]);
        if (present == nullptr || !present->Equals(delegate))
            continue;
        --m_nDelegates;
        if (m_nInvoking == 0) {
            m_aDelegates.Remove(i);
            delete present;
            return true;
        }
        // A walk may be on its way through the list, or inside this very delegate: the slot
        // stays, empty, and the delegate waits for the walk to end (leaked if it cannot).
        m_aDelegates.SetAt(i, nullptr);
        m_aRetired.Add(present);
        return true;
    }
    return false;
}

bool CUIEventSource::Invoke(void* param)
{
    ++m_nInvoking;
    bool goOn = true;
    const int count = m_aDelegates.GetSize();
    for (int i = 0; goOn && i < count; ++i) {
        CDelegateBase* delegate = static_cast<CDelegateBase*>(m_aDelegates[i]);
        if (delegate != nullptr)
            goOn = delegate->CallInvoke(param);
    }
    if (--m_nInvoking == 0)
        Compact();
    return goOn;
}

void CUIEventSource::Compact()
{
    for (int i = m_aDelegates.GetSize() - 1; i >= 0; --i) {
        if (m_aDelegates[i] == nullptr)
            m_aDelegates.Remove(i);
    }
    for (int i = 0; i < m_aRetired.GetSize(); ++i)
        delete static_cast<CDelegateBase*>(m_aRetired[i]);
    m_aRetired.Empty();
}

} // namespace QxUI
