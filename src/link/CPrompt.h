#pragma once

#include <QString>

// Every message the user sees goes through one of these: a message box in the
// GUI, stderr in the CLI, a recorder in the tests.
class CPrompt
{
public:
    enum Icon { Information, Warning, Critical };

    virtual ~CPrompt() = default;

    // Shows the message and returns once it has been dismissed. May be called
    // from any thread; implementations bring it to the thread that may show it.
    virtual void Message(const QString& strText, const QString& strCaption, Icon icon) = 0;
};
