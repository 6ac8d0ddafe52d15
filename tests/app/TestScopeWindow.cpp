// The scope window in the main window: against the simulated meter's oscilloscope
// (stored waveforms held while live screens arrive, a pause, the meter leaving its
// oscilloscope under an open dialog), and what it shows at its default size.
#include "CImageCheck.h"
#include "e2e/CSimProcess.h"
#include "app/CMainFrame.h"
#include "panel/CLeftDlg.h"
#include "scope/COscDecoder.h"
#include "scope/COscFile.h"
#include "scope/COscSlots.h"
#include "scope/COscTestFrame.h"
#include "scope/COscText.h"
#include "scope/ui/COSCDlg.h"
#include "scope/ui/COSCGraph.h"
#include "scope/ui/COSCList.h"
#include "scope/ui/COscScreenPainter.h"
#include "scope/ui/COscSlotButton.h"
#include "scope/ui/COscWindows.h"

#include <QApplication>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

namespace {

using SWord = COscScreenPainter::SWord;

QWidget* OpenedModal()
{
    if (!QTest::qWaitFor([] { return QApplication::activeModalWidget() != nullptr; }, 5000))
        return nullptr;
    return QApplication::activeModalWidget();
}

// A capture with something in every readout: REC page 3, DC at 2 V/div, a rising trigger,
// crossings 40 samples apart at 100 us/div, levels apart.
OscRecord EveryReadout()
{
    COscTestFrame frame;
    frame.Set(0, 2).Set(1, 9).Set(2, 6).Set(10, 1).Set(18, 3).Set(19, 1).Set(7, 185).Set(8, 95);
    frame.Word(30, 20).Word(32, 60).Date(2025, 3, 14, 9, 30, 5, 0);
    for (int i = 0; i < 300; ++i)
        frame.Sample(i, 140 + (i % 40 < 20 ? 45 : -45));
    OscRecord record;
    EXPECT_TRUE(COscDecoder::Decode(frame.Hex(), &record));
    return record;
}

const SWord* Find(const QList<SWord>& words, const QString& strText)
{
    for (const SWord& word : words)
        if (word.strText == strText)
            return &word;
    return nullptr;
}

} // namespace

TEST(ScopeWindow, EveryReadoutShowsAtTheWindowsDefaultSize)
{
    CMainFrame frame; // its own default size
    frame.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&frame));
    const OscRecord record = EveryReadout();
    frame.Oscilloscope().OnLiveWaveform(record, COscText::LiveInfo(record));
    COSCDlg* pScope = frame.Oscilloscope().ScopeWindow();
    ASSERT_NE(pScope, nullptr);
    QCoreApplication::processEvents();
    COSCGraph* pGraph = pScope->Graph();
    const COscGraphState& state = pGraph->State();
    ASSERT_LT(pGraph->width(), 700); // the size the main window gives it, not a large one

    const QList<SWord> words = COscScreenPainter::Layout(state, pGraph->size(), {}, pGraph);
    const QStringList expected = {"REC", "PAGE 3", "DC2.00 V/div", "\u0394V", state.DvText(),
                                  record.m_freqText, "Vp-p=" + record.m_vppText, record.m_rateText,
                                  "\u0394T", state.DtText(), "1/\u0394T", state.FreqCursorText(),
                                  "Fast", "Slow", "03/14/2025", "09:30:05"};
    const QRect rcPlot(COscGraphState::kLeft, COscGraphState::kTop, state.PlotWidth() + 1, state.PlotHeight() + 1);
    const QImage shot = pGraph->grab().toImage().convertToFormat(QImage::Format_RGB32);
    for (const QString& strText : expected) {
        const SWord* pWord = Find(words, strText);
        ASSERT_NE(pWord, nullptr) << "missing: " << qPrintable(strText);
        EXPECT_FALSE(strText.isEmpty());
        EXPECT_TRUE(pGraph->rect().contains(pWord->rc)) << qPrintable(strText);
        EXPECT_FALSE(pWord->rc.intersects(rcPlot)) << qPrintable(strText);
        // Drawn where the layout put it: not bare margin there.
        const int nArea = pWord->rc.width() * pWord->rc.height();
        EXPECT_GT(nArea - ImageCheck::CountColor(shot, pWord->rc, COscScreenPainter::MarginColor().rgb()), 10)
            << qPrintable(strText);
    }
    EXPECT_TRUE(std::any_of(words.begin(), words.end(), [](const SWord& w) { return w.kind == SWord::TriggerSymbol; }));
    for (qsizetype i = 0; i < words.size(); ++i)
        for (qsizetype k = i + 1; k < words.size(); ++k)
            EXPECT_FALSE(words[i].rc.intersects(words[k].rc))
                << qPrintable(words[i].strText) << " and " << qPrintable(words[k].strText);
    ImageCheck::SaveShot(pScope->grab().toImage(), "scope-readouts.png");

    // The meter's own spectrum: the line trace, with the bars' frequencies under it.
    COscTestFrame fft;
    fft.Set(0, 3).Set(1, 5).Set(2, 9).Set(12, 1).Set(13, 164).Set(14, 4).Set(15, 210).Set(35, 1);
    fft.Date(2025, 3, 14, 9, 31, 0, 0);
    for (int i = 0; i < 300; ++i)
        fft.Sample(i, 135 + int(40 * std::sin(i * 0.21)));
    for (int i = 1; i < 120; ++i)
        fft.Bar(i, 10 + 150 / (1 + std::abs(i - 24)) + 60 / (1 + std::abs(i - 72)) + (i * 7) % 9);
    OscRecord spectrum;
    ASSERT_TRUE(COscDecoder::Decode(fft.Hex(), &spectrum));
    frame.Oscilloscope().OnLiveWaveform(spectrum, COscText::LiveInfo(spectrum));
    QTest::mouseClick(pScope->FftButton(), Qt::LeftButton);
    ASSERT_TRUE(state.IsSpectrum());
    QCoreApplication::processEvents();
    const QList<SWord> axis = COscScreenPainter::Layout(state, pGraph->size(), {}, pGraph);
    EXPECT_GE(std::count_if(axis.begin(), axis.end(), [](const SWord& w) { return w.kind == SWord::AxisLabel; }), 5);
    EXPECT_NE(Find(axis, COscText::BarPrintText(5, 20)), nullptr); // "10.00KHz" under bar 20
    ImageCheck::SaveShot(pScope->grab().toImage(), "scope-spectrum.png");
    frame.close();
}

TEST(ScopeWindow, AStoredWaveformStaysThroughLiveScreensAndAPauseAndTheSaveDialogOutlivesTheWindow)
{
    // meter-sim playing the oscilloscope scenario, ten frames a second.
    CSimProcess sim({QStringLiteral("--scenario"), QStringLiteral(SIM_SCENARIO_DIR "/oscilloscope.json"),
                     QStringLiteral("--rate"), QStringLiteral("10")});
    ASSERT_FALSE(sim.Port().isEmpty());
    QTemporaryDir dir;
    CMainFrame frame;
    frame.AutoReconnectAction()->setChecked(false);
    frame.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&frame));
    COscWindows& osc = frame.Oscilloscope();
    int nLive = 0; // live screens, counted here as the window gets them
    QObject::connect(&osc.Slots(), &COscSlots::LiveWaveform, &frame, [&nLive] { ++nLive; });
    frame.AutoConnect(sim.Port());

    // The stored waveforms come after the first live screens; the user picks slot 1.
    ASSERT_TRUE(QTest::qWaitFor([&] { return osc.List()->Picture(10) == COSCList::PictureFor(1, 10); }, 30000));
    ASSERT_NE(osc.ScopeWindow(), nullptr);
    EXPECT_TRUE(osc.List()->isVisible());
    QTest::mouseClick(osc.List()->Button(1), Qt::LeftButton);
    QPointer<COSCDlg> pScope = osc.ScopeWindow();
    const OscRecord held = osc.Slots().Slot(1);
    ASSERT_EQ(pScope->Record(), held);
    EXPECT_TRUE(pScope->LiveButton()->isVisible());

    // The meter falls silent for a while: "NO RECV" ...
    ASSERT_TRUE(QTest::qWaitFor([&] { return frame.LeftDlg()->Layout() == -1; }, 15000));
    EXPECT_FALSE(osc.List()->isVisible());
    // ... until its screens come again: the list is back, and slot 1 is still in the window.
    const int nBeforePause = nLive;
    ASSERT_TRUE(QTest::qWaitFor([&] { return nLive >= nBeforePause + 5; }, 15000));
    EXPECT_EQ(frame.LeftDlg()->Layout(), CLeftDlg::kOscilloscopeLayout);
    EXPECT_TRUE(osc.List()->isVisible());
    ASSERT_EQ(osc.ScopeWindow(), pScope.data());
    EXPECT_EQ(pScope->Record(), held);
    EXPECT_EQ(pScope->InfoEdit()->text(), COscText::StoredInfo(1, held));
    ImageCheck::SaveShot(frame.grab().toImage(), "scope-held.png");

    // "Live": the live screen again, and the next ones as they come.
    QTest::mouseClick(pScope->LiveButton(), Qt::LeftButton);
    EXPECT_FALSE(pScope->LiveButton()->isVisible());
    EXPECT_EQ(pScope->Record().m_slot, 0);
    EXPECT_EQ(pScope->Record().m_rateCode, 9); // the screens after the pause
    const QString strInfo = pScope->InfoEdit()->text();
    ASSERT_TRUE(QTest::qWaitFor([&] { return pScope->InfoEdit()->text() != strInfo; }, 5000));

    // The save dialog, opened on a live screen, outlives the window that the meter's return
    // to volts closes, and saves that screen.
    const OscRecord shown = pScope->Record();
    pScope->SaveAction()->trigger();
    QPointer<QFileDialog> pDialog = qobject_cast<QFileDialog*>(OpenedModal());
    ASSERT_FALSE(pDialog.isNull());
    ASSERT_TRUE(QTest::qWaitFor([&] { return pScope.isNull(); }, 30000)); // closed and deleted
    ASSERT_TRUE(QTest::qWaitFor([&] { return frame.LeftDlg()->Layout() == 1; }, 5000));
    ASSERT_FALSE(pDialog.isNull());
    EXPECT_TRUE(pDialog->isVisible());
    const QString strPath = dir.filePath(QStringLiteral("after.osc"));
    pDialog->setDirectory(dir.path());
    auto* pName = pDialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    ASSERT_NE(pName, nullptr);
    pName->setText(QStringLiteral("after.osc"));
    static_cast<QDialog*>(pDialog.data())->accept();
    QFile file(strPath);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), COscFile::SaveBytes(shown));
    frame.close();
}
