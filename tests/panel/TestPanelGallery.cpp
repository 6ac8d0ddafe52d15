// The gallery in docs/ comes from here: every reading of the built-in demo,
// put through the real frame encoder, decoder and panel drawing. With
// MULTIMETER_GALLERY_DIR set (to docs/), the pictures and gallery.md are
// written there.
#include "app/CDemoMeter.h"
#include "panel/CPanelPainter.h"
#include "protocol/CMeterProtocol.h"
#include "sim/CSimFrameEncoder.h"
#include "sim/CSimScenario.h"

#include "CPromptRecorder.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <gtest/gtest.h>

#include <set>

namespace {

struct CShot
{
    QString strCaption;
    QImage image;
    int nLayout = 0;
};

// The display area of a picture, where readings differ.
QImage DisplayOf(const QImage& image)
{
    return image.copy(CPanelPainter::DisplayArea().toRect());
}

bool IsPlain(const QImage& display)
{
    const QColor background = CPanelPainter::DisplayColor();
    for (int y = 0; y < display.height(); ++y)
        for (int x = 0; x < display.width(); ++x)
            if (display.pixelColor(x, y) != background)
                return false;
    return true;
}

void WriteGallery(const QString& strDir, const QList<CShot>& shots)
{
    QDir dir(strDir);
    ASSERT_TRUE(dir.mkpath(QStringLiteral("gallery")));
    QString strMarkdown = QStringLiteral(
        "# The meter panel\n\n"
        "Every picture is drawn by the program's own panel code from the readings of `multimeter --demo`\n"
        "(the frames are encoded, decoded and drawn exactly as they are live). Regenerate with\n"
        "`MULTIMETER_GALLERY_DIR=$PWD/docs build/tests/panel/test_panel --gtest_filter='PanelGallery.*'`.\n\n"
        "| | | |\n|:-:|:-:|:-:|\n");
    for (qsizetype i = 0; i < shots.size(); ++i) {
        const QString strFile = QStringLiteral("gallery/%1-layout%2.png").arg(i, 2, 10, QLatin1Char('0'))
                                    .arg(shots[i].nLayout < 0 ? QStringLiteral("-none") : QString::number(shots[i].nLayout));
        ASSERT_TRUE(shots[i].image.save(dir.filePath(strFile), "PNG", 0)) << qPrintable(strFile);
        strMarkdown += QStringLiteral("| ![%1](%2)<br>%1 ").arg(shots[i].strCaption, strFile);
        if (i % 3 == 2 || i == shots.size() - 1)
            strMarkdown += QStringLiteral("|\n");
    }
    QFile file(dir.filePath(QStringLiteral("gallery.md")));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(strMarkdown.toUtf8());
}

} // namespace

TEST(PanelGallery, EveryReadingOfTheDemoHasItsOwnPicture)
{
    QString strError;
    CSimScenario scenario;
    ASSERT_TRUE(scenario.LoadFile(CDemoMeter::ScenarioPath(), &strError)) << qPrintable(strError);
    QFile json(CDemoMeter::ScenarioPath());
    ASSERT_TRUE(json.open(QIODevice::ReadOnly));
    const QJsonArray steps = QJsonDocument::fromJson(json.readAll()).object().value(QStringLiteral("steps")).toArray();
    ASSERT_EQ(steps.size(), scenario.Steps().size());

    CPromptRecorder prompts;
    CMeterProtocol protocol(nullptr, &prompts);
    CPanelState state;
    QObject::connect(&protocol, &CMeterProtocol::DisplayModeChanged, [&](int nMode) { state.m_nDisplayMode = nMode; });
    QObject::connect(&protocol, &CMeterProtocol::PanelShow,
                     [&](int nLayout, const QString&, double, int, const MeterReading& panel) {
                         state.m_nLayout = nLayout;
                         state.m_reading = panel;
                     });

    QList<CShot> shots;
    shots.append({QStringLiteral("No data from the meter"), CPanelPainter::Render({0, -1, {}}), -1});
    // A fixed afternoon clock, so 12-hour readings show PM and pictures do not change with the day.
    const CSimClock clock{25, 3, 14, 14, 30, 5};
    for (qsizetype i = 0; i < steps.size(); ++i) {
        const CSimScenario::Step& step = scenario.Steps()[i];
        if (step.m_kind != CSimScenario::StepKind::Reading)
            continue;
        CSimReading reading = step.m_reading;
        if (step.m_bRunningClock)
            reading.m_clock = clock;
        const QByteArray frame = CSimFrameEncoder::Encode(reading);
        ASSERT_FALSE(frame.isEmpty()) << "step " << i + 1;
        protocol.AppendMeterHex(frame.toHex());
        protocol.OnMeterData();
        ASSERT_EQ(state.m_nLayout, reading.m_nLayout) << "step " << i + 1;
        shots.append({steps[i].toObject().value(QStringLiteral("comment")).toString(), CPanelPainter::Render(state),
                      state.m_nLayout});
    }
    EXPECT_TRUE(prompts.Texts().isEmpty()) << qPrintable(prompts.Texts().join(QLatin1Char('\n')));

    std::set<int> layouts;
    std::set<int> modes;
    for (qsizetype i = 0; i < shots.size(); ++i) {
        layouts.insert(shots[i].nLayout);
        EXPECT_FALSE(shots[i].strCaption.isEmpty()) << "picture " << i;
        EXPECT_FALSE(IsPlain(DisplayOf(shots[i].image))) << qPrintable(shots[i].strCaption);
        if (i > 0) {
            EXPECT_NE(DisplayOf(shots[i].image), DisplayOf(shots[i - 1].image)) << qPrintable(shots[i].strCaption);
        }
    }
    EXPECT_EQ(layouts, (std::set<int>{-1, 1, 2, 3, 4, 5, 6, 7}));

    const QString strDir = qEnvironmentVariable("MULTIMETER_GALLERY_DIR");
    if (!strDir.isEmpty())
        WriteGallery(strDir, shots);
}
