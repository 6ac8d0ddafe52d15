#include "link/CDonglePackets.h"

#include <gtest/gtest.h>

using namespace CDonglePackets;

namespace {
QByteArray Hex(const char* psz)
{
    return QByteArray::fromHex(psz);
}

int Classify(const QByteArray& packet, CDongleEvent* pEvent)
{
    return ClassifyEvent(reinterpret_cast<const quint8*>(packet.constData()), int(packet.size()), pEvent);
}

// A device-information event with the advertising data laid out as a meter sends it.
QByteArray Advert(int nEventType, const QByteArray& name, const char* pszService = "f0ff", int nStatus = 0)
{
    QByteArray data = Hex("020106") + Hex("0303") + Hex(pszService);
    data += char(name.size() + 1);
    data += char(0x09);
    data += name;
    QByteArray p = Hex("04ff00") + Hex("0d06") + char(nStatus) + char(nEventType) + char(0)
        + Hex("debc0a19fdc8") + char(qint8(-61)) + char(data.size()) + data;
    p[2] = char(p.size() - 3);
    return p;
}
}

TEST(DonglePackets, CommandPacketsAreByteExact)
{
    EXPECT_EQ(DeviceInit().size(), 42);
    EXPECT_EQ(DeviceInit(), Hex("0100fe260805") + QByteArray(32, '\0') + Hex("01000000"));
    EXPECT_EQ(TerminateLink(), Hex("010afe03000013"));
    EXPECT_EQ(DeviceDiscovery(), Hex("0104fe03030100"));
    EXPECT_EQ(CancelDiscovery(), Hex("0105fe00"));
    EXPECT_EQ(EnableNotifications(), Hex("0192fd06000015000100"));
    EXPECT_EQ(CommandFrame({ 0xF3, 0x00, 0x01, 0xF4 }), Hex("0192fd0800001200f30001f4"));
    EXPECT_EQ(CommandFrame({ 0xB0, 0x96, 0x07, 0xB1 }), Hex("0192fd0800001200b09607b1"));

    Address address {};
    ASSERT_TRUE(ParseAddress(QStringLiteral("c8:fd:19:0a:bc:de"), &address));
    EXPECT_EQ(EstablishLink(address), Hex("0109fe09000000debc0a19fdc8"));
    EXPECT_EQ(FormatAddress(address.data()), QStringLiteral("c8:fd:19:0a:bc:de"));
}

TEST(DonglePackets, AddressTextMustBeSixHexPairs)
{
    Address address {};
    EXPECT_FALSE(ParseAddress(QStringLiteral("c8:fd:19:0a:bc"), &address));
    EXPECT_FALSE(ParseAddress(QStringLiteral("c8-fd-19-0a-bc-de"), &address));
    EXPECT_FALSE(ParseAddress(QStringLiteral("zz:fd:19:0a:bc:de"), &address));
    // What a lenient number parser lets through: signs, blanks, a seventh group.
    EXPECT_FALSE(ParseAddress(QStringLiteral("+8:fd:19:0a:bc:de"), &address));
    EXPECT_FALSE(ParseAddress(QStringLiteral(" 8:fd:19:0a:bc:de"), &address));
    EXPECT_FALSE(ParseAddress(QStringLiteral("c8:fd:19:0a:bc:de:77"), &address));
    EXPECT_EQ(address, Address {}); // a refused text leaves the address alone
    EXPECT_TRUE(ParseAddress(QStringLiteral("C8:FD:19:0A:BC:DE"), &address));
    EXPECT_EQ(address[0], 0xDE);
}

struct ClassifyCase
{
    const char* pszPacket;
    int nResult;
};

class ClassifyTest : public ::testing::TestWithParam<ClassifyCase>
{
};

TEST_P(ClassifyTest, GivesTheResultCode)
{
    CDongleEvent event;
    EXPECT_EQ(Classify(Hex(GetParam().pszPacket), &event), GetParam().nResult) << GetParam().pszPacket;
}

INSTANTIATE_TEST_SUITE_P(EveryOpcodeAndStatus, ClassifyTest, ::testing::Values(
    ClassifyCase { "04ff067f060000fe00", kCommandStatus },
    ClassifyCase { "04ff067f061200fe00", kFailed },
    ClassifyCase { "04ff04000600aabb", kDeviceInitDone },
    ClassifyCase { "04ff04000601aabb", kFailed },
    ClassifyCase { "04ff0d0d06000000aabbccddeeff00", kDeviceInformation },
    ClassifyCase { "04ff0d0d06000400aabbccddeeff00", kScanResponse },
    ClassifyCase { "04ff061b0500000003110001", kNotification },
    ClassifyCase { "04ff0613050000000000", kWriteResponse },
    ClassifyCase { "04ff0613050100000000", kCommandStatus },
    ClassifyCase { "04ff0407060000", kLinkParamUpdate },
    ClassifyCase { "04ff0407060300", kLinkParamUpdate },
    ClassifyCase { "04ff0405060000", kLinkEstablished },
    ClassifyCase { "04ff0405063e00", kFailed },
    ClassifyCase { "04ff0406060000", kLinkTerminated },
    ClassifyCase { "04ff0406060800", kFailed },
    ClassifyCase { "04ff0401060000", kDiscoveryDone },
    ClassifyCase { "04ff0401061100", kDiscoveryDone },
    ClassifyCase { "04ff0402060000", kOther },
    ClassifyCase { "04ff02", kOther }));

TEST(DonglePackets, NameIsExtractedOnlyFromAMeterAdvertisement)
{
    CDongleEvent event;
    EXPECT_EQ(Classify(Advert(0, "ORVEX-M1"), &event), kDeviceInformation);
    EXPECT_EQ(event.strName, QStringLiteral("ORVEX-M1"));
    EXPECT_EQ(event.nNameLen, 8);
    EXPECT_EQ(event.info.size(), 25);
    EXPECT_EQ(quint8(event.info[8]), 0xDE);
    EXPECT_EQ(qint8(event.info[14]), -61);

    // Without the meter service id, with a failed status, or cut short: no name.
    EXPECT_EQ(Classify(Advert(0, "ORVEX-M1", "0f18"), &event), kDeviceInformation);
    EXPECT_TRUE(event.strName.isEmpty());
    Classify(Advert(0, "ORVEX-M1", "f0ff", 1), &event);
    EXPECT_TRUE(event.strName.isEmpty());
    const QByteArray full = Advert(0, "ORVEX-M1");
    Classify(full.left(full.size() - 1), &event);
    EXPECT_TRUE(event.strName.isEmpty());
    EXPECT_EQ(event.nNameLen, 8);

    // The name record one byte further on is not where the meter puts it.
    QByteArray displaced = Advert(0, "ORVEX-M1");
    displaced.insert(16, Hex("020a04"));
    Classify(displaced, &event);
    EXPECT_TRUE(event.strName.isEmpty());

    // A scan response carries the name but is its own result.
    EXPECT_EQ(Classify(Advert(4, "ORVEX-M1"), &event), kScanResponse);
}

TEST(DonglePackets, NotificationValueNeverReadsPastThePacket)
{
    CDongleEvent event;
    const QByteArray packet = Hex("04ff0b1b050000000511" "00" "a080aa");
    EXPECT_EQ(Classify(packet, &event), kNotification);
    EXPECT_EQ(event.value, Hex("a080aa"));
    // Length byte claiming more than there is: no value rather than a wild read.
    QByteArray lying = packet;
    lying[8] = char(40);
    EXPECT_EQ(Classify(lying, &event), kNotification);
    EXPECT_TRUE(event.value.isEmpty());
}
