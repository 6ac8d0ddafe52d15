#pragma once

#include "link/CPrompt.h"

#include <QList>
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
    // Questions are recorded with the messages and answered from Answers(), in order;
    // once those run out, with Cancel (No without Cancel).
    Answer Ask(const QString& strText, const QString& strCaption, bool bCancel) override
    {
        std::lock_guard lock(m_mutex);
        m_texts << strText;
        m_captions << strCaption;
        if (!m_answers.isEmpty())
            return m_answers.takeFirst();
        return bCancel ? Cancel : No;
    }
    void SetAnswers(const QList<Answer>& answers)
    {
        std::lock_guard lock(m_mutex);
        m_answers = answers;
    }
    QStringList Texts() const
    {
        std::lock_guard lock(m_mutex);
        return m_texts;
    }
    QStringList Captions() const
    {
        std::lock_guard lock(m_mutex);
        return m_captions;
    }

private:
    mutable std::mutex m_mutex; //!< guards the lists
    QStringList m_texts;
    QStringList m_captions;
    QList<Answer> m_answers;
};
