#pragma once

#include <QFrame>

class QLabel;
struct CSpanStatistics;

// The Measure panel of the trend graph: the figures of the readings dragged across (count,
// minimum, maximum, average, standard deviation, peak-to-peak, duration, slope per second)
// in the document's unit. The graph owns it as a hidden child, fills and places it.
class CMeasurePanel : public QFrame
{
    Q_OBJECT
public:
    explicit CMeasurePanel(QWidget* pParent = nullptr);

    // The figures of st.
    void SetFigures(const CSpanStatistics& st);
    // While a drag across very many readings goes on: only how many are selected.
    void SetPending(qint64 nFirst, qint64 nLast);

    // The lines as shown, "Label\tvalue" each.
    QStringList Lines() const;

    // "12.5 s", "5 min 12 s", "2 h 05 min"; "-" when unknown.
    static QString DurationText(double dSeconds);

private:
    void Show(const QString& strTitle, const QList<QPair<QString, QString>>& rows);

    QLabel* m_pTitle;
    QList<QPair<QLabel*, QLabel*>> m_rows;
};
