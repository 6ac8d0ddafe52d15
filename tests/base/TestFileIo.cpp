// Saving whole or not at all, reading regular files only, and the messages of both.
#include "base/CFileIo.h"

#include "CFileSizeLimit.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstring>
#include <sys/stat.h>

namespace {

class FileIo : public ::testing::Test
{
protected:
    QString Path(const char* pszName) const { return m_dir.filePath(QString::fromLatin1(pszName)); }
    QStringList Files() const { return QDir(m_dir.path()).entryList(QDir::Files | QDir::Hidden | QDir::System); }
    static QByteArray Read(const QString& strPath)
    {
        QFile file(strPath);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    // Runs fn with the "disk" full beyond nBytes per file.
    template<typename Fn>
    static auto WithFileSizeLimit(rlim_t nBytes, Fn fn)
    {
        const CFileSizeLimit full(nBytes);
        EXPECT_TRUE(full.IsSet());
        return fn();
    }

    QTemporaryDir m_dir;
};

} // namespace

TEST_F(FileIo, AFailedSaveSaysWhyInTheSystemsWordsAndLeavesThePreviousFile)
{
    QString strError;
    ASSERT_TRUE(CFileIo::SaveBytes(Path("a.bin"), "previous", &strError)) << qPrintable(strError);
    EXPECT_EQ(Read(Path("a.bin")), "previous");

    // Larger than what fits, in one write and in many small ones (the last of which a
    // buffered file would only have tried in its commit).
    const QByteArray big(20000, 'x');
    const bool bOne = WithFileSizeLimit(4096, [&] { return CFileIo::SaveBytes(Path("a.bin"), big, &strError); });
    EXPECT_FALSE(bOne);
    const QString strTooLarge = QString::fromLocal8Bit(std::strerror(EFBIG));
    EXPECT_EQ(strError, QStringLiteral("Cannot save \"%1\": %2.").arg(QDir::toNativeSeparators(Path("a.bin")), strTooLarge));
    const bool bMany = WithFileSizeLimit(4096, [&] {
        return CFileIo::Save(Path("a.bin"), [](QIODevice& device, QString*) {
            for (int i = 0; i < 1000; ++i) {
                if (device.write("0123456789") != 10)
                    return false;
            }
            return true;
        }, &strError);
    });
    EXPECT_FALSE(bMany);
    EXPECT_TRUE(strError.endsWith(strTooLarge + u'.')) << qPrintable(strError);
    EXPECT_FALSE(strError.contains("Unknown error"));
    EXPECT_EQ(Read(Path("a.bin")), "previous");
    EXPECT_EQ(Files(), QStringList { "a.bin" }); // no temporary file left behind

    // A writer's own reason wins; a file that cannot be created is not created.
    EXPECT_FALSE(CFileIo::Save(Path("b.bin"), [](QIODevice&, QString* pstrReason) {
        *pstrReason = QStringLiteral("the record is broken.");
        return false;
    }, &strError));
    EXPECT_EQ(strError, QStringLiteral("Cannot save \"%1\": the record is broken.").arg(QDir::toNativeSeparators(Path("b.bin"))));
    EXPECT_FALSE(CFileIo::SaveBytes(Path("no/such/folder/c.bin"), "x", &strError));
    EXPECT_TRUE(strError.endsWith(QString::fromLocal8Bit(std::strerror(ENOENT)) + u'.')) << qPrintable(strError);
    EXPECT_EQ(Files(), QStringList { "a.bin" });

    // What fits is written and replaces the file.
    ASSERT_TRUE(CFileIo::SaveBytes(Path("a.bin"), big, &strError)) << qPrintable(strError);
    EXPECT_EQ(Read(Path("a.bin")), big);
}

TEST_F(FileIo, OnlyRegularFilesAreRead)
{
    ASSERT_EQ(::mkfifo(Path("fifo").toLocal8Bit().constData(), 0600), 0);
    QByteArray data;
    QString strError;
    // A FIFO would wait for a writer for ever.
    EXPECT_FALSE(CFileIo::ReadAll(Path("fifo"), 1000, &data, &strError));
    EXPECT_EQ(strError, QStringLiteral("Cannot open \"%1\": it is not a regular file.").arg(Path("fifo")));
    EXPECT_FALSE(CFileIo::ReadAll(m_dir.path(), 1000, &data, &strError));
    EXPECT_TRUE(strError.endsWith(": it is a folder.")) << qPrintable(strError);
    EXPECT_FALSE(CFileIo::ReadAll("/dev/zero", 1000, &data, &strError));
    EXPECT_TRUE(strError.endsWith(": it is not a regular file.")) << qPrintable(strError);
    EXPECT_FALSE(CFileIo::ReadAll(Path("missing"), 1000, &data, &strError));
    EXPECT_TRUE(strError.endsWith(QString::fromLocal8Bit(std::strerror(ENOENT)) + u'.')) << qPrintable(strError);

    ASSERT_TRUE(CFileIo::SaveBytes(Path("ten"), "0123456789", nullptr));
    EXPECT_FALSE(CFileIo::ReadAll(Path("ten"), 9, &data, &strError));
    EXPECT_TRUE(strError.contains("10 bytes long, more than 9")) << qPrintable(strError);
    ASSERT_TRUE(CFileIo::ReadAll(Path("ten"), 10, &data, &strError)) << qPrintable(strError);
    EXPECT_EQ(data, "0123456789");
    // Through a link to a regular file is fine.
    ASSERT_TRUE(QFile::link(Path("ten"), Path("link")));
    QFile linked(Path("link"));
    EXPECT_TRUE(CFileIo::OpenForReading(linked, &strError)) << qPrintable(strError);
}
