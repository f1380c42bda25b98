#include "core/UIDelegate.h"

namespace QxUI {

CUIEventSource::~CUIEventSource()
{
    for (int i = 0; i < m_aDelegates.GetSize(); ++i)
        delete static_cast<CDelegateBase*>(m_aDelegates[i]);
}

void CUIEventSource::Add(const CDelegateBase& delegate)
{
    for (int i = 0; i < m_aDelegates.GetSize(); ++i) {
        const CDelegateBase* present = static_cast<CDelegateBase*>(m_aDelegates[i]);
        if (present != nullptr && present->Equals(delegate))
            return;
    }
    CDelegateBase* copy = delegate.Copy();
    if (copy != nullptr && !m_aDelegates.Add(copy))
        delete copy;
}

bool CUIEventSource::Invoke(void* param)
{
    bool goOn = true;
    for (int i = 0; goOn && i < m_aDelegates.GetSize(); ++i) {
        CDelegateBase* delegate = static_cast<CDelegateBase*>(m_aDelegates[i]);
        if (delegate != nullptr)
            goOn = delegate->CallInvoke(param);
    }
    return goOn;
}

} // namespace QxUI
