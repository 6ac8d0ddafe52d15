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

    enum Answer { Yes, No, Cancel };
    // Asks a question answered Yes or No (and Cancel when bCancel). Where nobody can be
    // asked, the text is shown as a message and the answer is Cancel, or No without Cancel:
    // the answer that changes nothing.
    virtual Answer Ask(const QString& strText, const QString& strCaption, bool bCancel)
    {
        Message(strText, strCaption, Warning);
        return bCancel ? Cancel : No;
    }
};
