#pragma once

#include "app/CMainFrame.h"
#include "document/CMyTalvaDoc.h"
#include "link/CMeterLink.h"
#include "CProgramRun.h"
#include "CSimThread.h"
#include "protocol/CDecodedReading.h"

#include <QFile>
#include <QImage>
#include <QProcess>
#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QMessageBox>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>
#include <memory>

// Helpers of the main-window tests: the simulated meter, answering message boxes, readings,
// documents.
namespace AppTest {

using ::CSimThread;

// A meter linked and heard from, with no port: nothing is really sent.
inline void MakeOnline(CMainFrame& frame)
{
    frame.Link().SetLinkState(CMeterLink::kConnected);
    const unsigned char byte = 0x00;
    frame.Link().OnComReceive(&byte, 1);
    ASSERT_TRUE(frame.Link().IsMeterOnline());
}

// Every modal window that opens while it lives is counted and closed at once, as nobody
// is at the screen: an unattended run must count none. A message box that has the answer
// button gets it pressed instead.
class CModalWatch
{
public:
    explicit CModalWatch(QMessageBox::StandardButton answer = QMessageBox::NoButton)
    {
        m_timer.setInterval(20);
        QObject::connect(&m_timer, &QTimer::timeout, [this, answer] {
            QWidget* pModal = QApplication::activeModalWidget();
            if (!pModal)
                return;
            auto* pBox = qobject_cast<QMessageBox*>(pModal);
            m_texts << (pBox ? pBox->text() : pModal->windowTitle());
            if (QAbstractButton* pButton = pBox && answer != QMessageBox::NoButton ? pBox->button(answer) : nullptr)
                pButton->click();
            else if (auto* pDialog = qobject_cast<QDialog*>(pModal))
                pDialog->reject();
            else
                pModal->close();
        });
        m_timer.start();
    }
    int Count() const { return int(m_texts.size()); }
    QStringList Texts() const { return m_texts; }

private:
    QTimer m_timer;
    QStringList m_texts;
};

// The texts of menu entries or toolbar buttons, "-" for a separator.
inline QStringList Texts(const QList<QAction*>& actions)
{
    QStringList texts;
    for (QAction* pAction : actions)
        texts << (pAction->isSeparator() ? QStringLiteral("-") : pAction->text());
    return texts;
}

// What the next message box said, once it has been answered.
struct CBoxAnswer
{
    bool bShown = false;
    QString strText;
};

// Answers the next message box (shown by the call that follows) with button.
inline std::shared_ptr<CBoxAnswer> AnswerNextBox(QMessageBox::StandardButton button)
{
    auto pAnswer = std::make_shared<CBoxAnswer>();
    QTimer::singleShot(0, [pAnswer, button] {
        const auto box = [] { return qobject_cast<QMessageBox*>(QApplication::activeModalWidget()); };
        if (!QTest::qWaitFor([&] { return box() != nullptr; }, 5000)) {
            ADD_FAILURE() << "no message box appeared";
            return;
        }
        pAnswer->bShown = true;
        pAnswer->strText = box()->text();
        if (QAbstractButton* pButton = box()->button(button))
            pButton->click();
        else
            box()->reject();
    });
    return pAnswer;
}

inline CDecodedReading Reading(const char* pszFunction, float fValue, float fRange = 10.0f, int nDecimals = 3)
{
    CDecodedReading d;
    d.reading.m_strFunction = QString::fromLatin1(pszFunction);
    d.reading.m_strUnit = QStringLiteral("V");
    d.reading.m_fValue = fValue;
    d.reading.m_fRange = fRange;
    d.reading.m_nDecimals = nDecimals;
    d.strTime = QStringLiteral("14/3/25 9:30:%1").arg(int(fValue) % 60);
    d.nLayout = 1;
    d.nRecordKind = 1;
    d.bSeries8Frame = true;
    return d;
}

inline CDecodedReading StatisticsReading(int nKind, float fValue)
{
    CDecodedReading d = Reading("VDC", fValue);
    d.nLayout = 4;
    d.nRecordKind = nKind;
    d.bSeries8Frame = false;
    d.bSeries9 = true;
    d.reading.m_nYear = 25;
    d.reading.m_nMonth = 3;
    d.reading.m_nDay = 14;
    return d;
}

inline void AddReadings(CMyTalvaDoc& doc, int nCount)
{
    for (int i = 0; i < nCount; ++i) {
        const int n = int(doc.m_arrData[0].size());
        doc.AddReading(0, QStringLiteral("V"), n, QStringLiteral("t%1").arg(n), QStringLiteral("VDC"), n * 0.25, 0.0,
                       10.0f, float(n * 0.25));
    }
}

// The values of the readings meter-sim wrote to its --sent-log, with four decimals, in the
// order sent (the lines where a link ended left out).
inline QStringList SentValues(const QString& strPath)
{
    QFile file(strPath);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return {};
    QStringList values;
    for (const QString& strLine : QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
        if (!strLine.startsWith(QLatin1Char('#')))
            values << strLine.section(QLatin1Char('\t'), 0, 0);
    }
    return values;
}

using ::CRun;

// Runs strProgram (offscreen) to its end: its status, stdout and stderr.
inline CRun RunTool(const QString& strProgram, const QStringList& args, int nTimeoutMs = 60000)
{
    return RunToEnd(strProgram, args, nTimeoutMs, true);
}

// The program itself.
inline CRun RunProgram(const QStringList& args, int nTimeoutMs = 60000)
{
    return RunTool(QStringLiteral(MULTIMETER_PATH), args, nTimeoutMs);
}

// Pixels of image that pass test.
inline int CountColour(const QImage& image, const std::function<bool(const QColor&)>& test)
{
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            n += test(image.pixelColor(x, y)) ? 1 : 0;
    return n;
}

} // namespace AppTest
