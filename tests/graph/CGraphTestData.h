#pragma once

#include "CPromptRecorder.h"
#include "document/CMyTalvaDoc.h"
#include "graph/CGraphDlg.h"

#include <QImage>
#include <QPainter>
#include <QTest>

#include <memory>
#include <vector>

// Documents and pictures for the graph tests.
namespace GraphTestData {

// One reading a second from 10:00:00 on (a day holds 50 400 of them).
inline QString TimeOf(int n)
{
    return QStringLiteral("1/2/25 %1:%2:%3")
        .arg(10 + n / 3600)
        .arg(n / 60 % 60, 2, 10, QLatin1Char('0'))
        .arg(n % 60, 2, 10, QLatin1Char('0'));
}

inline void AddValue(CMyTalvaDoc& doc, double dValue)
{
    const int n = int(doc.m_arrData[0].size());
    doc.AddReading(0, QStringLiteral("mVDC"), n, TimeOf(n), QStringLiteral("VDC"), dValue, 0.0, 1e7f,
                   float(dValue));
}

inline std::unique_ptr<CMyTalvaDoc> MakeDoc(const std::vector<double>& values)
{
    auto pDoc = std::make_unique<CMyTalvaDoc>();
    for (double d : values)
        AddValue(*pDoc, d);
    return pDoc;
}

// A 640 x 480 graph (a plot of 500 x 430 pixels at (70, 25)) of its own document.
template <class TGraph = CGraphDlg>
struct CGraphOf
{
    CPromptRecorder prompt;
    std::unique_ptr<CMyTalvaDoc> pDoc;
    TGraph graph{prompt};

    explicit CGraphOf(const std::vector<double>& values)
        : pDoc(MakeDoc(values))
    {
        graph.resize(640, 480);
        graph.SetDocument(pDoc.get());
    }
};

// The window's own drawing, without the tool overlay.
inline QImage Render(CGraphDlg& graph, bool bEverySegment = false)
{
    CGraphDrawOptions options = graph.ScreenOptions();
    options.bEverySegment = bEverySegment;
    QImage image(graph.size(), QImage::Format_RGB32);
    image.fill(graph.Colors().m_bkColor);
    QPainter painter(&image);
    graph.DrawGraph(painter, options);
    return image;
}

// What the window shows, through its own paint.
inline QImage Grab(CGraphDlg& graph)
{
    return graph.grab().toImage().convertToFormat(QImage::Format_RGB32);
}

inline QRgb Rgb(const QColor& color)
{
    return color.rgb();
}

// A left-button drag through its middle.
inline void Drag(QWidget* pWidget, QPoint from, QPoint to)
{
    QTest::mousePress(pWidget, Qt::LeftButton, Qt::NoModifier, from);
    QTest::mouseMove(pWidget, (from + to) / 2);
    QTest::mouseMove(pWidget, to);
    QTest::mouseRelease(pWidget, Qt::LeftButton, Qt::NoModifier, to);
}

} // namespace GraphTestData
