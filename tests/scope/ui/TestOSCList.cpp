// The stored-waveform list: one picture button per stored slot.
#include "CImageCheck.h"
#include "COscUiTest.h"
#include "scope/ui/COSCList.h"
#include "scope/ui/COscSlotButton.h"

#include <QPainter>
#include <QSignalSpy>


namespace {

QImage Picture(int nSlot, int nPicture)
{
    QImage image(116, 50, QImage::Format_RGB32);
    image.fill(Qt::black);
    QPainter painter(&image);
    COscSlotButton::DrawPicture(painter, QRectF(image.rect()), nSlot, nPicture, false);
    return image;
}

} // namespace

TEST(OSCList, ButtonPicturesFollowWhatEachSlotHolds)
{
    COSCList list;
    for (int n = 1; n <= 10; ++n) {
        EXPECT_EQ(list.Picture(n), 270 + n) << "slot " << n;
        EXPECT_FALSE(list.Button(n)->isEnabled()) << "slot " << n; // nothing stored to show
    }
    list.UpdateSlotButton(2, 3); // REC
    EXPECT_EQ(list.Picture(3), 283);
    EXPECT_TRUE(list.Button(3)->isEnabled());
    list.UpdateSlotButton(1, 1);
    list.UpdateSlotButton(3, 10);
    list.UpdateSlotButton(4, 7);
    EXPECT_EQ(list.Picture(1), 261);
    EXPECT_EQ(list.Picture(10), 260);
    EXPECT_EQ(list.Picture(7), 299);
    list.UpdateSlotButton(9, 7); // a status the meter does not have
    EXPECT_EQ(list.Picture(7), 277);
    EXPECT_FALSE(list.Button(7)->isEnabled());
    list.UpdateSlotButton(2, 0);
    list.UpdateSlotButton(2, 11);
    EXPECT_EQ(list.Button(0), nullptr);
    EXPECT_EQ(list.Button(11), nullptr);
}

TEST(OSCList, PicturesAreDrawnInTheColourOfWhatTheSlotHolds)
{
    const QRgb rec = qRgb(235, 70, 60), hold = qRgb(255, 200, 0), fft = qRgb(0, 200, 225);
    const QImage recImage = Picture(3, COSCList::PictureFor(2, 3));
    const QImage holdImage = Picture(3, COSCList::PictureFor(1, 3));
    const QImage fftImage = Picture(3, COSCList::PictureFor(3, 3));
    const QImage emptyImage = Picture(3, COSCList::PictureFor(0, 3));
    ImageCheck::SaveShot(recImage, "osc-slot-rec.png");
    EXPECT_GT(ImageCheck::CountColor(recImage, recImage.rect(), rec, 10), 60);
    EXPECT_EQ(ImageCheck::CountColor(recImage, recImage.rect(), hold, 10), 0);
    EXPECT_GT(ImageCheck::CountColor(holdImage, holdImage.rect(), hold, 10), 60);
    EXPECT_GT(ImageCheck::CountColor(fftImage, fftImage.rect(), fft, 10), 60);
    for (QRgb colour : {rec, hold, fft})
        EXPECT_EQ(ImageCheck::CountColor(emptyImage, emptyImage.rect(), colour, 10), 0);
    // Each slot number is drawn: slot 3 and slot 8 of the same status differ.
    EXPECT_NE(Picture(8, COSCList::PictureFor(2, 8)), recImage);

    // Every status has a picture of its own.
    QList<QImage> pictures;
    for (int nStatus = 0; nStatus <= 4; ++nStatus)
        pictures << Picture(5, COSCList::PictureFor(nStatus, 5));
    for (qsizetype i = 0; i < pictures.size(); ++i)
        for (qsizetype j = i + 1; j < pictures.size(); ++j)
            EXPECT_NE(pictures[i], pictures[j]) << "statuses " << i << " and " << j;
}

TEST(OSCList, ClickingAStoredSlotAsksForItsWaveform)
{
    COSCList list;
    list.resize(260, 300);
    list.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&list));
    QSignalSpy clicked(&list, &COSCList::SlotClicked);
    list.UpdateSlotButton(2, 3);
    list.UpdateSlotButton(1, 8);
    ImageCheck::SaveShot(OscUiTest::Shot(&list), "osc-list.png");
    QTest::mouseClick(list.Button(3), Qt::LeftButton);
    QTest::mouseClick(list.Button(5), Qt::LeftButton); // empty
    QTest::mouseClick(list.Button(8), Qt::LeftButton);
    ASSERT_EQ(clicked.size(), 2);
    EXPECT_EQ(clicked.at(0).at(0).toInt(), 3);
    EXPECT_EQ(clicked.at(1).at(0).toInt(), 8);
    // Slots 1..5 down the left column, 6..10 down the right.
    EXPECT_LT(list.Button(5)->x(), list.Button(6)->x());
    EXPECT_LT(list.Button(1)->y(), list.Button(5)->y());
}
