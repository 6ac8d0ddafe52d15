#pragma once

#include "link/CPrompt.h"

#include <QStringList>

#include <mutex>

// Records every message instead of showing it.
class CPromptRecorder : public CPrompt
{
public:
    void Message(const QString& strText, const QString& strCaption, Icon) override
    {
        std::lock_guard lock(m_mutex);
        m_texts << strText;
        m_captions << strCaption;
    }
    QStringList Texts() const
    {
        std::lock_guard lock(m_mutex);
        return m_texts;
    }

private:
    mutable std::mutex m_mutex; //!< guards both lists
    QStringList m_texts;
    QStringList m_captions;
};
