#pragma once

#include <QString>

// The texts of the program's one document type, the recording file.
namespace DocumentType {

inline QString BaseName() { return QStringLiteral("New File"); }
inline QString FilterName() { return QStringLiteral("Data Files(*.mLog)"); }
inline QString Extension() { return QStringLiteral(".mLog"); }

} // namespace DocumentType
