#pragma once

#include <QByteArray>
#include <QString>

#include <functional>

// What every verb shares for its output: the exit statuses, the error and usage-error
// lines on stderr, and stdout writes that are checked.
namespace CliStatus {
constexpr int kOk = 0;
constexpr int kFailed = 1;        //!< a file could not be read or written, stdout failed
constexpr int kPortUnavailable = 2;
constexpr int kLinkLost = 3;
constexpr int kNotFound = 4;
constexpr int kNoLink = 5;
constexpr int kUsage = 64;
constexpr int kPipeClosed = 141;  //!< the reader of stdout went away (as a shell shows SIGPIPE)
}

namespace CliOutput {

inline constexpr const char* kProgram = "multimeter-cli";

// The exit statuses as listed under --help.
QString ExitStatusHelp();

// "multimeter-cli: error: TEXT" on stderr.
void Error(const QString& strText);
// "multimeter-cli: note: TEXT" on stderr: something the user should know, not a failure.
void Note(const QString& strText);
// The error, then "Try 'multimeter-cli VERB --help'."; returns CliStatus::kUsage.
int UsageError(const QString& strVerb, const QString& strText);

// Writes all of data to stdout; false once any write has failed. The first failure is
// reported on stderr (a closed pipe quietly) and sets FailureStatus(). Safe from any thread.
bool Write(const QByteArray& data);
// A line of UTF-8 text and its newline.
bool WriteLine(const QString& strLine);
// 0 while every write succeeded, else kFailed or kPipeClosed.
int FailureStatus();
// Called once, on the failing thread, when a write first fails.
void SetFailureHandler(std::function<void()> onFailure);
// The status to end with: nStatus, or the write failure when nStatus is 0.
int Combine(int nStatus);

}
