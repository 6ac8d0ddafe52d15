#pragma once

#include <QList>

#include <algorithm>
#include <QProcess>
#include <QRegularExpression>
#include <QString>
#include <QStringList>

// The words of a PDF file with their boxes (points from the page's top left), as
// pdftotext -bbox (poppler-utils) reads them back.
namespace PdfText {

struct CWord
{
    QString strText;
    double dXMin = 0, dYMin = 0, dXMax = 0, dYMax = 0;
};

struct CPage
{
    double dWidth = 0, dHeight = 0;
    QList<CWord> words;

    // The words in reading order, one blank between them.
    QString Text() const
    {
        QStringList texts;
        for (const CWord& word : words)
            texts << word.strText;
        return texts.join(u' ');
    }
    // The words as lines: words whose tops are within 2 points make a line, read left to
    // right; lines from the top down.
    QStringList Lines() const
    {
        QList<QList<CWord>> lines;
        QList<CWord> sorted = words;
        std::stable_sort(sorted.begin(), sorted.end(), [](const CWord& a, const CWord& b) { return a.dYMin < b.dYMin; });
        for (const CWord& word : sorted) {
            if (lines.isEmpty() || word.dYMin - lines.last().first().dYMin > 2.0)
                lines.append(QList<CWord>());
            lines.last().append(word);
        }
        QStringList texts;
        for (QList<CWord>& line : lines) {
            std::stable_sort(line.begin(), line.end(), [](const CWord& a, const CWord& b) { return a.dXMin < b.dXMin; });
            QStringList parts;
            for (const CWord& word : line)
                parts << word.strText;
            texts << parts.join(u' ');
        }
        return texts;
    }
    // The first word with this text, or nullptr.
    const CWord* Find(const QString& strText, int nSkip = 0) const
    {
        for (const CWord& word : words) {
            if (word.strText == strText && nSkip-- == 0)
                return &word;
        }
        return nullptr;
    }
};

inline QString Unescape(QString str)
{
    return str.replace(QStringLiteral("&lt;"), QStringLiteral("<"))
        .replace(QStringLiteral("&gt;"), QStringLiteral(">"))
        .replace(QStringLiteral("&quot;"), QStringLiteral("\""))
        .replace(QStringLiteral("&apos;"), QStringLiteral("'"))
        .replace(QStringLiteral("&amp;"), QStringLiteral("&"));
}

// The pages of strPath; empty when pdftotext cannot read it.
inline QList<CPage> Read(const QString& strPath)
{
    QProcess process;
    process.start(QStringLiteral("pdftotext"), {QStringLiteral("-bbox"), strPath, QStringLiteral("-")});
    if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
        return {};
    const QString strOut = QString::fromUtf8(process.readAllStandardOutput());
    static const QRegularExpression rePage(QStringLiteral("<page width=\"([0-9.]+)\" height=\"([0-9.]+)\">"));
    static const QRegularExpression reWord(QStringLiteral(
        "<word xMin=\"([0-9.-]+)\" yMin=\"([0-9.-]+)\" xMax=\"([0-9.-]+)\" yMax=\"([0-9.-]+)\">([^<]*)</word>"));
    QList<CPage> pages;
    for (const QString& strLine : strOut.split(u'\n')) {
        if (const auto page = rePage.match(strLine); page.hasMatch()) {
            pages.append(CPage{page.captured(1).toDouble(), page.captured(2).toDouble(), {}});
        } else if (const auto word = reWord.match(strLine); word.hasMatch() && !pages.isEmpty()) {
            pages.last().words.append(CWord{Unescape(word.captured(5)), word.captured(1).toDouble(),
                                            word.captured(2).toDouble(), word.captured(3).toDouble(),
                                            word.captured(4).toDouble()});
        }
    }
    return pages;
}

} // namespace PdfText
