#pragma once

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <QtGlobal>

// The diagnostic log, for bug reports. While an object of this class lives it handles Qt's
// messages:
//  - lines of the "multimeter.*" categories (base/LogCategories.h, and any other category
//    named under that prefix) go to stderr with a timestamp when the logging rules enable
//    them (QT_LOGGING_RULES="multimeter.*.info=true");
//  - once OpenFile has named a file, every info line and above of those categories is
//    appended to it as well, whatever the rules say for stderr, and so are the warnings of
//    every other category (which keep Qt's own format on stderr).
// One object at a time: the program's, made before anything logs. Messages may come from any
// thread; the object itself belongs to the main thread.
class CDiagnosticLog
{
public:
    static constexpr char kCategoryPrefix[] = "multimeter.";

    CDiagnosticLog();
    ~CDiagnosticLog();
    CDiagnosticLog(const CDiagnosticLog&) = delete;
    CDiagnosticLog& operator=(const CDiagnosticLog&) = delete;

    // Appends from now on to strPath (created if missing); false with the reason when it cannot
    // be opened for writing.
    bool OpenFile(const QString& strPath, QString* pstrError);
    QString FilePath() const;

    // One line of the log: "2026-03-14T09:30:00.125 multimeter.link: opening /dev/ttyACM0",
    // the level named after the category unless it is info.
    static QString FormatLine(const QDateTime& when, const char* pszCategory, QtMsgType type, const QString& strMessage);

    // The command-line option of both programs, "--log FILE" or "--log=FILE".
    static QString OptionName() { return QStringLiteral("log"); }
    static QString OptionHelp()
    {
        return QStringLiteral("Also write the diagnostic log (what the link, the recordings and the windows do) to "
                              "<FILE>, appended.");
    }
    enum class Option { Absent, Taken, Missing };
    // Takes "--log FILE" or "--log=FILE" out of args wherever it stands after args[0] (the
    // program). Missing: the option is there without a file name.
    static Option TakeOption(QStringList& args, QString* pstrFile);
};
