// The oscilloscope's windows as the main frame has them: frames from the
// protocol, the scope window, the stored-waveform list, and waveform files.
#include "CImageCheck.h"
#include "CPdfText.h"
#include "COscUiTest.h"
#include "CPromptRecorder.h"
#include "CXlsxReader.h"
#include "protocol/CMeterProtocol.h"
#include "scope/COscFile.h"
#include "scope/COscSlots.h"
#include "scope/COscText.h"
#include "scope/ui/COSCDlg.h"
#include "scope/ui/COSCGraph.h"
#include "scope/ui/COSCList.h"
#include "scope/ui/COscSlotButton.h"
#include "scope/ui/COscWindows.h"
#include "sim/CSimFrameEncoder.h"

#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPointer>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>

using namespace OscUiTest;

namespace {

class OscWindows : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_area.resize(1100, 900);
        m_area.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&m_area));
        ASSERT_TRUE(m_dir.isValid());
    }

    // What the link thread does with the meter's bytes; the windows get their part queued.
    void Receive(const QByteArray& strHex)
    {
        m_protocol.AppendMeterHex(strHex);
        m_protocol.OnMeterData();
        QCoreApplication::processEvents();
    }
    void ReceiveReading()
    {
        CSimReading reading;
        reading.m_strUnit = QStringLiteral("VDC");
        reading.m_fRange = 6.0f;
        Receive(CSimFrameEncoder::Encode(reading).toHex());
    }
    static COscTestFrame Stored(int nSlot, int nStatus)
    {
        COscTestFrame frame;
        frame.Set(52, nSlot).Set(0, nStatus).Date(2025, 3, 14, 9, nSlot, 0, 0);
        for (int i = 0; i < 300; ++i)
            frame.Sample(i, 135 + (i * nSlot) % 40);
        return frame;
    }
    // As the user does it: the folder, then the name typed into the dialog's name box.
    static void TypeFileName(QFileDialog* pDialog, const QString& strPath)
    {
        pDialog->setDirectory(QFileInfo(strPath).absolutePath());
        auto* pName = pDialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        ASSERT_NE(pName, nullptr);
        pName->setText(QFileInfo(strPath).fileName());
    }
    QMdiSubWindow* FrameOf(QWidget* pDlg) const
    {
        for (QMdiSubWindow* pSub : m_area.subWindowList())
            if (pSub->widget() == pDlg)
                return pSub;
        return nullptr;
    }

    QTemporaryDir m_dir;
    CPromptRecorder m_prompt;
    CMeterProtocol m_protocol{nullptr, &m_prompt};
    QMdiArea m_area;
    COscWindows m_windows{m_protocol, m_prompt, &m_area};
};

} // namespace

TEST_F(OscWindows, LiveScreenOpensTheScopeWindowInItsPlace)
{
    EXPECT_EQ(m_windows.ScopeWindow(), nullptr); // made when first needed
    Receive("a2a2a2a2");
    COscTestFrame frame;
    frame.Sample(0, 160).Date(2025, 3, 14, 9, 30, 5, 0);
    Receive(frame.Hex());

    COSCDlg* pDlg = m_windows.ScopeWindow();
    ASSERT_NE(pDlg, nullptr);
    EXPECT_TRUE(pDlg->isVisible());
    EXPECT_EQ(pDlg->windowTitle(), "OSC");
    EXPECT_EQ(pDlg->InfoEdit()->text(), "0 03/14/2025 09:30:05");
    EXPECT_FLOAT_EQ(pDlg->Record().m_samples[0], 1.0f);
    EXPECT_EQ(pDlg->Record(), m_windows.Slots().Slot(0));
    QMdiSubWindow* pSub = FrameOf(pDlg);
    ASSERT_NE(pSub, nullptr);
    EXPECT_EQ(pSub->geometry(), QRect(10, 130, m_area.viewport()->width() - 10, m_area.viewport()->height() - 130));

    // The next screen goes to the same window, which stays where the user put it.
    pSub->move(40, 20);
    frame.Sample(0, 110);
    Receive(frame.Hex());
    EXPECT_EQ(m_windows.ScopeWindow(), pDlg);
    EXPECT_FLOAT_EQ(pDlg->Record().m_samples[0], -1.0f);
    EXPECT_EQ(pSub->pos(), QPoint(40, 20));
    EXPECT_EQ(m_area.subWindowList().size(), 1);
    EXPECT_TRUE(m_prompt.Texts().isEmpty());
}

TEST_F(OscWindows, StoredSlotsFillTheListAndAClickShowsOne)
{
    for (int n = 1; n <= 4; ++n)
        Receive(Stored(n, n).Hex());
    COSCList* pList = m_windows.List();
    EXPECT_EQ(pList->Picture(1), 261);
    EXPECT_EQ(pList->Picture(2), 282);
    EXPECT_EQ(pList->Picture(3), 253);
    EXPECT_EQ(pList->Picture(4), 296);
    EXPECT_EQ(pList->Picture(5), 275);
    EXPECT_EQ(m_windows.ScopeWindow(), nullptr); // stored waveforms wait in the list

    QTest::mouseClick(pList->Button(2), Qt::LeftButton);
    COSCDlg* pDlg = m_windows.ScopeWindow();
    ASSERT_NE(pDlg, nullptr);
    EXPECT_TRUE(pDlg->isVisible());
    EXPECT_EQ(pDlg->Record(), m_windows.Slots().Slot(2));
    EXPECT_EQ(pDlg->InfoEdit()->text(), "2 | 03/14/2025 09:02:00");
    EXPECT_TRUE(pDlg->ShowTime());

    // A spectrum shown for slot 3 gives way to the samples of the next slot picked.
    QTest::mouseClick(pList->Button(3), Qt::LeftButton);
    QTest::mouseClick(pDlg->FftButton(), Qt::LeftButton);
    ASSERT_FALSE(pDlg->ShowTime());
    QTest::mouseClick(pList->Button(1), Qt::LeftButton);
    EXPECT_EQ(m_windows.ScopeWindow(), pDlg);
    EXPECT_TRUE(pDlg->ShowTime());
    EXPECT_EQ(pDlg->FftButton()->text(), "FFT");
    EXPECT_EQ(pDlg->InfoEdit()->text(), "1 | 03/14/2025 09:01:00");

    // Slot 10, the last the meter sends, brings every button up to date.
    Receive(Stored(10, 2).Hex());
    EXPECT_EQ(pList->Picture(10), 290);
    EXPECT_EQ(pList->Picture(4), 296);
}

TEST_F(OscWindows, LeavingOscilloscopeModeClosesTheWindowWhichGoesOnceItsEventsAreDone)
{
    Receive("a2a2a2a2");
    Receive(COscTestFrame().Hex());
    QPointer<COSCDlg> pFirst = m_windows.ScopeWindow();
    ASSERT_FALSE(pFirst.isNull());

    ReceiveReading(); // back to volts
    EXPECT_EQ(m_windows.ScopeWindow(), nullptr);
    EXPECT_FALSE(pFirst.isNull()); // not yet: deleted later
    EXPECT_FALSE(pFirst->isVisible());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(pFirst.isNull());
    EXPECT_TRUE(m_area.subWindowList().isEmpty());

    // The next screen makes a new window; the user closing it works the same way.
    Receive("a2a2a2a2");
    Receive(COscTestFrame().Hex());
    QPointer<COSCDlg> pSecond = m_windows.ScopeWindow();
    ASSERT_FALSE(pSecond.isNull());
    FrameOf(pSecond)->close();
    EXPECT_EQ(m_windows.ScopeWindow(), nullptr);
    Receive(COscTestFrame().Hex()); // a screen arriving before the closed one is gone
    ASSERT_NE(m_windows.ScopeWindow(), nullptr);
    EXPECT_NE(m_windows.ScopeWindow(), pSecond.data());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(pSecond.isNull());
    EXPECT_TRUE(m_windows.ScopeWindow()->isVisible());
    EXPECT_EQ(m_area.subWindowList().size(), 1);
}

TEST_F(OscWindows, SaveCurrentOscThenOpenItBackIntoAScopeWindowOfItsOwn)
{
    COscTestFrame frame = Stored(4, 2);
    frame.Set(36, 125).Word(30, 20).Word(32, 45); // a negative trigger level, crossings
    Receive(frame.Hex());
    QTest::mouseClick(m_windows.List()->Button(4), Qt::LeftButton);
    COSCDlg* pDlg = m_windows.ScopeWindow();
    ASSERT_NE(pDlg, nullptr);
    const OscRecord saved = pDlg->Record();

    const QString strPath = m_dir.filePath(QStringLiteral("capture.osc"));
    pDlg->SaveAction()->trigger();
    auto* pDialog = qobject_cast<QFileDialog*>(OpenedModal());
    ASSERT_NE(pDialog, nullptr);
    const QString strProposed = QFileInfo(pDialog->selectedFiles().value(0)).fileName();
    EXPECT_EQ(pDialog->acceptMode(), QFileDialog::AcceptSave);
    EXPECT_EQ(pDialog->defaultSuffix(), "osc");
    EXPECT_EQ(pDialog->nameFilters(), QStringList{COscFile::FilterName()});
    pDialog->setDirectory(m_dir.path());
    pDialog->selectFile(QFileInfo(strPath).completeBaseName()); // the suffix comes by itself
    static_cast<QDialog*>(pDialog)->accept(); // as the Save or Open button does
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^\\d{4}-\\d{1,2}-\\d{1,2} \\d{1,2}-\\d{1,2}-\\d{1,2}\\.osc$"))
                    .match(strProposed)
                    .hasMatch())
        << qPrintable(strProposed);
    QFile file(strPath);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), COscFile::SaveBytes(saved));
    EXPECT_TRUE(m_prompt.Texts().isEmpty());

    // "Open Osc...": the file in a window of its own, which live screens leave alone.
    OnModal([&](QWidget* pModal) {
        auto* pDialog = qobject_cast<QFileDialog*>(pModal);
        ASSERT_NE(pDialog, nullptr);
        EXPECT_EQ(pDialog->acceptMode(), QFileDialog::AcceptOpen);
        EXPECT_EQ(pDialog->directory().absolutePath(), QDir(m_dir.path()).absolutePath()); // where it was saved
        pDialog->selectFile(strPath);
        static_cast<QDialog*>(pDialog)->accept(); // as the Save or Open button does
    });
    m_windows.OnOpenOsc();
    ASSERT_EQ(m_area.subWindowList().size(), 2);
    auto* pOpened = qobject_cast<COSCDlg*>(m_area.activeSubWindow()->widget());
    ASSERT_NE(pOpened, nullptr);
    EXPECT_NE(pOpened, pDlg);
    EXPECT_EQ(pOpened->Record(), saved);
    EXPECT_EQ(pOpened->windowTitle(), "OSC - capture.osc");
    EXPECT_EQ(pOpened->InfoEdit()->text(), "4 | 03/14/2025 09:04:00");
    EXPECT_EQ(pOpened->Graph()->State().DtText(), pDlg->Graph()->State().DtText());
    Receive(COscTestFrame().Hex());
    EXPECT_EQ(m_windows.ScopeWindow(), pDlg);
    EXPECT_EQ(pDlg->Record(), saved); // the slot picked stays until "Live"
    QTest::mouseClick(pDlg->LiveButton(), Qt::LeftButton);
    EXPECT_NE(pDlg->Record(), saved);
    EXPECT_EQ(pOpened->Record(), saved);
}

TEST_F(OscWindows, FilesThatCannotBeWrittenOrReadChangeNothingAndSayWhy)
{
    Receive(COscTestFrame().Hex());
    COSCDlg* pDlg = m_windows.ScopeWindow();
    ASSERT_NE(pDlg, nullptr);
    const QString strMissing = m_dir.filePath(QStringLiteral("no/such/folder/x.osc"));
    EXPECT_FALSE(pDlg->SaveCurrentOsc(strMissing));
    ASSERT_EQ(m_prompt.Texts().size(), 1);
    EXPECT_TRUE(m_prompt.Texts().first().contains(QStringLiteral("x.osc"))) << qPrintable(m_prompt.Texts().first());
    EXPECT_FALSE(QFileInfo::exists(strMissing));

    // Hostile and damaged files: a message, no window.
    const QByteArray good = COscFile::SaveBytes(pDlg->Record());
    const QList<QByteArray> bad = {QByteArray(), good.left(good.size() / 2),
                                   QByteArray(4, '\0') + QByteArray(64, '\xff'), QByteArray(3, 'x')};
    for (qsizetype i = 0; i < bad.size(); ++i) {
        const QString strPath = m_dir.filePath(QStringLiteral("bad%1.osc").arg(i));
        QFile file(strPath);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bad[i]);
        file.close();
        EXPECT_EQ(m_windows.OpenOscFile(strPath), nullptr) << "file " << i;
        EXPECT_EQ(m_prompt.Texts().size(), 2 + i) << "file " << i;
    }
    EXPECT_EQ(m_windows.OpenOscFile(m_dir.filePath(QStringLiteral("absent.osc"))), nullptr);
    EXPECT_EQ(m_prompt.Texts().size(), 2 + bad.size());
    EXPECT_EQ(m_area.subWindowList().size(), 1);
}

TEST_F(OscWindows, ExportWritesTheWorkbookOfThePointsShownAndOpensIt)
{
    COscTestFrame frame = Stored(3, 3);
    frame.Set(1, 5).Bar(10, 77); // 2 ms/div: bar 10 is at 5.00 KHz
    Receive(frame.Hex());
    QTest::mouseClick(m_windows.List()->Button(3), Qt::LeftButton);
    COSCDlg* pDlg = m_windows.ScopeWindow();
    ASSERT_NE(pDlg, nullptr);
    QList<QUrl> opened;
    bool bCanOpen = true;
    pDlg->SetUrlOpener([&](const QUrl& url) {
        opened << url;
        return bCanOpen;
    });

    // Through the menu: the dialog proposes a workbook named by the clock.
    const QString strSamples = m_dir.filePath(QStringLiteral("samples.xlsx"));
    pDlg->ExportAction()->trigger();
    auto* pDialog = qobject_cast<QFileDialog*>(OpenedModal());
    ASSERT_NE(pDialog, nullptr);
    EXPECT_TRUE(pDialog->selectedFiles().value(0).endsWith(QStringLiteral(".xlsx")));
    EXPECT_EQ(pDialog->defaultSuffix(), "xlsx");
    pDialog->selectFile(strSamples);
    static_cast<QDialog*>(pDialog)->accept(); // as the Save or Open button does
    ASSERT_EQ(opened.size(), 1);
    EXPECT_EQ(opened.first(), QUrl::fromLocalFile(strSamples));
    CXlsxReader book;
    QString strError;
    ASSERT_TRUE(book.Open(strSamples, &strError)) << qPrintable(strError);
    EXPECT_EQ(book.SheetNames(), QStringList{"DataSheet"});
    ASSERT_TRUE(book.Cell(307, 1).has_value());
    EXPECT_DOUBLE_EQ(book.Cell(307, 1)->dNumber, 300.0);
    EXPECT_FALSE(book.Cell(8, 4).has_value());

    // The spectrum shown is what goes out.
    pDlg->OnFft();
    const QString strBars = m_dir.filePath(QStringLiteral("bars.xlsx"));
    EXPECT_TRUE(pDlg->ExportToExcel(strBars));
    CXlsxReader bars;
    ASSERT_TRUE(bars.Open(strBars, &strError)) << qPrintable(strError);
    EXPECT_DOUBLE_EQ(bars.Cell(18, 3)->dNumber, 77.0);
    EXPECT_DOUBLE_EQ(bars.Cell(18, 4)->dNumber, 5.0);
    EXPECT_EQ(bars.Cell(18, 4)->strFormat, "0.00");
    EXPECT_EQ(bars.Cell(18, 5)->strText, "KHz");
    EXPECT_TRUE(bars.Cell(127, 1).has_value());
    EXPECT_FALSE(bars.Cell(128, 1).has_value());
    EXPECT_TRUE(m_prompt.Texts().isEmpty());

    // Nothing to open it with: the workbook stays, and the user is told.
    bCanOpen = false;
    const QString strUnopened = m_dir.filePath(QStringLiteral("unopened.xlsx"));
    EXPECT_FALSE(pDlg->ExportToExcel(strUnopened));
    EXPECT_TRUE(QFileInfo::exists(strUnopened));
    ASSERT_EQ(m_prompt.Texts().size(), 1);
    EXPECT_TRUE(m_prompt.Texts().last().contains(QStringLiteral("no application could open it")));

    // A workbook that cannot be written: a message and nothing else.
    const int nOpened = int(opened.size());
    EXPECT_FALSE(pDlg->ExportToExcel(m_dir.filePath(QStringLiteral("missing/x.xlsx"))));
    EXPECT_EQ(opened.size(), nOpened);
    EXPECT_EQ(m_prompt.Texts().size(), 2);
    EXPECT_FALSE(QFileInfo::exists(m_dir.filePath(QStringLiteral("missing"))));
}

TEST_F(OscWindows, AStoredWaveformStaysInTheWindowUntilLiveIsPressed)
{
    Receive("a2a2a2a2");
    COscTestFrame live;
    live.Sample(0, 160);
    Receive(live.Hex());
    Receive(Stored(4, 1).Hex());
    COSCDlg* pDlg = m_windows.ScopeWindow();
    ASSERT_NE(pDlg, nullptr);
    EXPECT_FALSE(pDlg->LiveButton()->isVisible()); // following the live screen
    EXPECT_EQ(m_windows.HeldSlot(), 0);

    QTest::mouseClick(m_windows.List()->Button(4), Qt::LeftButton);
    const OscRecord held = m_windows.Slots().Slot(4);
    ASSERT_EQ(pDlg->Record(), held);
    EXPECT_EQ(m_windows.HeldSlot(), 4);
    EXPECT_TRUE(pDlg->LiveButton()->isVisible());
    EXPECT_EQ(pDlg->LiveButton()->text(), "Live");
    // A zoom on the held waveform survives the screens that keep coming.
    Drag(pDlg->Graph(), Qt::LeftButton, {150, 150}, {350, 300});
    const double dZoomed = pDlg->Graph()->State().XScale();
    for (int nLevel : {110, 120, 150}) {
        live.Sample(0, nLevel);
        Receive(live.Hex());
    }
    EXPECT_EQ(m_windows.ScopeWindow(), pDlg);
    EXPECT_EQ(pDlg->Record(), held);
    EXPECT_EQ(pDlg->InfoEdit()->text(), "4 | 03/14/2025 09:04:00");
    EXPECT_EQ(pDlg->Graph()->State().XScale(), dZoomed);
    EXPECT_FLOAT_EQ(m_windows.Slots().Slot(0).m_samples[0], 0.6f); // the live screen went on

    // "Live": the latest screen at once, and the next ones as they come.
    QTest::mouseClick(pDlg->LiveButton(), Qt::LeftButton);
    EXPECT_EQ(m_windows.HeldSlot(), 0);
    EXPECT_FALSE(pDlg->LiveButton()->isVisible());
    EXPECT_EQ(pDlg->Record(), m_windows.Slots().Slot(0));
    EXPECT_TRUE(pDlg->InfoEdit()->text().startsWith("0 "));
    live.Sample(0, 185);
    Receive(live.Hex());
    EXPECT_FLOAT_EQ(pDlg->Record().m_samples[0], 2.0f);

    // A window closed while it held a slot: the next screen opens one that follows them.
    QTest::mouseClick(m_windows.List()->Button(4), Qt::LeftButton);
    FrameOf(pDlg)->close();
    Receive(live.Hex());
    ASSERT_NE(m_windows.ScopeWindow(), nullptr);
    EXPECT_EQ(m_windows.ScopeWindow()->Record(), m_windows.Slots().Slot(0));
    EXPECT_FALSE(m_windows.ScopeWindow()->LiveButton()->isVisible());
}

TEST_F(OscWindows, DialogsOutliveTheWindowTheMeterClosesAndKeepWhatItShowedWhenTheyOpened)
{
    // What each command shows: a HOLD capture is on screen when its dialog opens, a REC
    // screen arrives while the dialog waits, then the meter leaves its oscilloscope.
    COscTestFrame first, second;
    first.Set(0, 1).Sample(0, 160);
    second.Set(0, 2).Sample(0, 110);
    auto openThenLeave = [&](QAction* (COSCDlg::*pfnAction)() const, OscRecord* pShown) -> QPointer<QWidget> {
        Receive("a2a2a2a2");
        Receive(first.Hex());
        QPointer<COSCDlg> pDlg = m_windows.ScopeWindow();
        if (!pDlg)
            return nullptr;
        pDlg->SetUrlOpener([](const QUrl&) { return true; });
        *pShown = pDlg->Record();
        (pDlg->*pfnAction)()->trigger();
        QPointer<QWidget> pDialog = OpenedModal();
        Receive(second.Hex());
        EXPECT_NE(pDlg->Record(), *pShown);
        ReceiveReading();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_TRUE(pDlg.isNull()); // the window is gone, its dialog is not
        EXPECT_TRUE(m_area.subWindowList().isEmpty());
        return pDialog;
    };

    OscRecord shown;
    QPointer<QWidget> pDialog = openThenLeave(&COSCDlg::SaveAction, &shown);
    auto* pSave = qobject_cast<QFileDialog*>(pDialog.data());
    ASSERT_NE(pSave, nullptr);
    const QString strOsc = m_dir.filePath(QStringLiteral("kept.osc"));
    TypeFileName(pSave, strOsc);
    static_cast<QDialog*>(pSave)->accept();
    QFile file(strOsc);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), COscFile::SaveBytes(shown));
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(pDialog.isNull());

    pDialog = openThenLeave(&COSCDlg::ExportAction, &shown);
    auto* pExport = qobject_cast<QFileDialog*>(pDialog.data());
    ASSERT_NE(pExport, nullptr);
    const QString strBook = m_dir.filePath(QStringLiteral("kept.xlsx"));
    TypeFileName(pExport, strBook);
    static_cast<QDialog*>(pExport)->accept();
    CXlsxReader book;
    QString strError;
    ASSERT_TRUE(book.Open(strBook, &strError)) << qPrintable(strError);
    EXPECT_EQ(book.Cell(5, 3)->strText, "HOLD");
    EXPECT_DOUBLE_EQ(book.Cell(8, 3)->dNumber, 1.0); // the first sample of the HOLD capture

    for (auto pfnPrint : {&COSCDlg::PrintGraphAction, &COSCDlg::PrintDataAction}) {
        pDialog = openThenLeave(pfnPrint, &shown);
        auto* pPrint = qobject_cast<QPrintDialog*>(pDialog.data());
        ASSERT_NE(pPrint, nullptr);
        const QString strPdf = m_dir.filePath(pfnPrint == &COSCDlg::PrintGraphAction ? "graph.pdf" : "data.pdf");
        pPrint->printer()->setOutputFormat(QPrinter::PdfFormat);
        pPrint->printer()->setOutputFileName(strPdf);
        pPrint->done(QDialog::Accepted); // as its Print button does, with the printer set
        const QList<PdfText::CPage> pages = PdfText::Read(strPdf);
        ASSERT_FALSE(pages.isEmpty()) << qPrintable(strPdf);
        EXPECT_TRUE(pages[0].Lines().contains(QStringLiteral("Status: HOLD"))) << qPrintable(pages[0].Text());
    }
    EXPECT_TRUE(m_prompt.Texts().isEmpty());
}
