#pragma once

#include "link/CPrompt.h"

#include <mutex>

// The headless prompt: one line on stderr per message, safe from any thread.
class CStderrPrompt : public CPrompt
{
public:
    void Message(const QString& strText, const QString& strCaption, Icon icon) override;

private:
    std::mutex m_mutex; //!< keeps lines from two threads apart
};
