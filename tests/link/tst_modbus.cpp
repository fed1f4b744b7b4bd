#include "modbusprobe.h"
#include "replybytes.h"
#include "tests/support/ptypeer.h"

#include <QtTest>

#include <climits>
#include <memory>

namespace {

enum class Request { Holding, Input, Write };

} // namespace

Q_DECLARE_METATYPE(Request)

class tst_modbus : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<PtyPeer> peer;
    std::unique_ptr<ModbusProbe> line;

    bool issue(Request request, int start, unsigned n, const QVector<uint16_t> &words)
    {
        switch (request) {
        case Request::Holding: return line->readHolding(start, n);
        case Request::Input: return line->readInput(start, n);
        case Request::Write: return line->writeMultiple(start, n, words.constData());
        }
        return false;
    }

private slots:
    void init()
    {
        peer = std::make_unique<PtyPeer>();
        QVERIFY(peer->isReady());
        line = std::make_unique<ModbusProbe>();
        line->portName = peer->portPath();
        line->baudRate = 9600;
        QVERIFY(line->openPort());
    }
    void cleanup()
    {
        line.reset();
        peer.reset();
    }

    void programLine_startsAtSlaveAddress1()
    {
        const modbus fresh;
        QCOMPARE(int(fresh.mbAddr), 1);
        QVERIFY(!fresh.linkError);
        QCOMPARE(fresh.baudRate, 0);
        QVERIFY(fresh.portName.isEmpty());
    }

    void swap16_exchangesBytes_data()
    {
        QTest::addColumn<int>("value");
        QTest::addColumn<int>("swapped");
        QTest::newRow("register value 0x1234") << 0x1234 << 0x3412;
        QTest::newRow("low byte only") << 0x00FF << 0xFF00;
        QTest::newRow("high byte only") << 0xAB00 << 0x00AB;
        QTest::newRow("zero") << 0 << 0;
    }
    void swap16_exchangesBytes()
    {
        QFETCH(int, value);
        QFETCH(int, swapped);
        QCOMPARE(int(swap16(uint16_t(value))), swapped);
    }

    void request_sendsExactFrame_data()
    {
        QTest::addColumn<Request>("request");
        QTest::addColumn<int>("address");
        QTest::addColumn<int>("start");
        QTest::addColumn<unsigned>("count");
        QTest::addColumn<QVector<uint16_t>>("words");
        QTest::addColumn<QByteArray>("frame");

        QTest::newRow("read holding 0x0102 x3 at slave 1")
            << Request::Holding << 1 << 0x0102 << 3u << QVector<uint16_t>()
            << QByteArray::fromHex("01 03 01 02 00 03 A5 F7");
        QTest::newRow("read input 0 x101, the live-value read")
            << Request::Input << 1 << 0 << 101u << QVector<uint16_t>()
            << QByteArray::fromHex("01 04 00 00 00 65 30 21");
        QTest::newRow("read holding of channel 64 block at slave 247")
            << Request::Holding << 247 << 3200 << 50u << QVector<uint16_t>()
            << QByteArray::fromHex("F7 03 0C 80 00 32 D2 31");
        QTest::newRow("start address above 16 bits keeps its low 16 bits")
            << Request::Input << 1 << 0x12345 << 1u << QVector<uint16_t>()
            << QByteArray::fromHex("01 04 23 45 00 01 2B 9B");
        QTest::newRow("write of swap16(0x1234) puts 12 34 in bytes 7 and 8")
            << Request::Write << 1 << 32 << 1u << QVector<uint16_t>{swap16(0x1234)}
            << QByteArray::fromHex("01 10 00 20 00 01 02 12 34 AC 47");
        QTest::newRow("write of two clock words at slave 247")
            << Request::Write << 247 << 1 << 2u << QVector<uint16_t>{swap16(0x5678), swap16(0x9ABC)}
            << QByteArray::fromHex("F7 10 00 01 00 02 04 56 78 9A BC D5 68");
    }
    void request_sendsExactFrame()
    {
        QFETCH(Request, request);
        QFETCH(int, address);
        QFETCH(int, start);
        QFETCH(unsigned, count);
        QFETCH(QVector<uint16_t>, words);
        QFETCH(QByteArray, frame);
        peer->play({{frame.size(), {}}});
        line->mbAddr = uint8_t(address);

        QVERIFY(issue(request, start, count, words));
        QTRY_COMPARE_WITH_TIMEOUT(peer->heard(), frame, 2000);
    }

    void readRequest_expectsNormalReplyLength_data()
    {
        QTest::addColumn<Request>("request");
        QTest::addColumn<unsigned>("count");
        QTest::addColumn<int>("expected");
        QTest::newRow("holding x3 expects 11") << Request::Holding << 3u << 11;
        QTest::newRow("input x101 expects 207") << Request::Input << 101u << 207;
        QTest::newRow("holding x125 expects 255") << Request::Holding << 125u << 255;
    }
    void readRequest_expectsNormalReplyLength()
    {
        QFETCH(Request, request);
        QFETCH(unsigned, count);
        QFETCH(int, expected);
        QVERIFY(issue(request, 0, count, {}));
        QCOMPARE(line->rxExpected, expected);
    }

    void writeMultiple_leavesExpectedLengthAlone()
    {
        QVERIFY(line->readHolding(0, 3));
        QVERIFY(line->writeMultiple(0, 1, QVector<uint16_t>{7}.constData()));
        QCOMPARE(line->rxExpected, 11);
    }

    void writeMultiple_of123Words_fillsTransmitBuffer()
    {
        const QVector<uint16_t> words(123, swap16(0x0102));
        peer->play({{255, {}}});
        QVERIFY(line->writeMultiple(0, 123, words.constData()));
        QTRY_COMPARE_WITH_TIMEOUT(peer->heard().size(), 255, 2000);
        QCOMPARE(peer->heard().mid(5, 4), QByteArray::fromHex("7B F6 01 02"));
    }

    void request_outsideModbusLimits_isRefusedAndNothingSent_data()
    {
        QTest::addColumn<Request>("request");
        QTest::addColumn<unsigned>("count");
        QTest::newRow("read holding of 0 registers") << Request::Holding << 0u;
        QTest::newRow("read holding of 126 registers") << Request::Holding << 126u;
        QTest::newRow("read input of 255 registers") << Request::Input << 255u;
        QTest::newRow("read input of 300 registers") << Request::Input << 300u;
        QTest::newRow("write of 0 registers") << Request::Write << 0u;
        QTest::newRow("write of 124 registers") << Request::Write << 124u;
    }
    void request_outsideModbusLimits_isRefusedAndNothingSent()
    {
        QFETCH(Request, request);
        QFETCH(unsigned, count);
        const QVector<uint16_t> words(300, 0x1111);
        const QByteArray next = QByteArray::fromHex("01 03 01 02 00 03 A5 F7");
        peer->play({{next.size(), {}}});
        line->rxExpected = 42;

        QVERIFY(!issue(request, 0, count, words));
        QVERIFY(line->linkError);
        QCOMPARE(line->rxLen, 0);
        QCOMPARE(line->rxExpected, 42);
        QVERIFY(line->readHolding(0x0102, 3));
        QTRY_COMPARE_WITH_TIMEOUT(peer->heard(), next, 2000);
    }

    void reply_nineBytes_givesRegistersAndFunction()
    {
        peer->play({{8, {{0, QByteArray::fromHex("01 03 04 12 34 AB CD 00 20")}}}});
        QVERIFY(line->readHolding(0, 2));
        QVERIFY(line->waitPkt());
        QVERIFY(!line->linkError);
        QCOMPARE(line->getReg(0), 0x1234);
        QCOMPARE(line->getReg(1), 0xABCD);
        QCOMPARE(line->getReg(2), 0);
        QCOMPARE(line->getReg(3), 0);
        QCOMPARE(int(line->replyFunction()), 3);
    }

    void reply_exception_setsLinkErrorAndShowsFunctionBit7()
    {
        peer->play({{8, {{0, QByteArray::fromHex("01 83 02 C0 F1")}}}});
        QVERIFY(line->readHolding(0, 2));
        QVERIFY(!line->waitPkt());
        QVERIFY(line->linkError);
        QCOMPARE(int(line->replyFunction()), 0x83);
    }

    // Only the registers the last good reply carried are read; everything else reads 0.
    void getReg_outsideTheCarriedRegisters_readsZero_data()
    {
        QTest::addColumn<int>("index");
        QTest::addColumn<int>("value");
        QTest::newRow("first register") << 0 << 0x1234;
        QTest::newRow("last register") << 1 << 0xABCD;
        QTest::newRow("where the CRC lies") << 2 << 0;
        QTest::newRow("last register the buffer could hold") << 514 << 0;
        QTest::newRow("one past the buffer") << 515 << 0;
        QTest::newRow("negative index") << -1 << 0;
        QTest::newRow("index whose byte offset overflows int") << INT_MAX << 0;
        QTest::newRow("most negative index") << INT_MIN << 0;
    }
    void getReg_outsideTheCarriedRegisters_readsZero()
    {
        QFETCH(int, index);
        QFETCH(int, value);
        peer->play({{8, {{0, QByteArray::fromHex("01 03 04 12 34 AB CD 00 20")}}}});
        QVERIFY(line->readHolding(0, 2));
        QVERIFY(line->waitPkt());
        std::fill(std::begin(line->rxBuf) + 9, std::end(line->rxBuf), 0x99);
        QCOMPARE(line->getReg(index), value);
    }

    void writeEcho_isJudged_data()
    {
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<bool>("valid");
        QTest::newRow("start and quantity echoed passes") << framed("01 10 00 20 00 02") << true;
        QTest::newRow("another start fails") << framed("01 10 00 21 00 02") << false;
        QTest::newRow("another quantity fails") << framed("01 10 00 20 00 01") << false;
        QTest::newRow("echo cut short fails") << framed("01 10 00 20") << false;
        QTest::newRow("echo one byte long fails") << framed("01 10 00 20 00 02 00") << false;
        QTest::newRow("slave 2 echoing fails") << framed("02 10 00 20 00 02") << false;
        QTest::newRow("read reply fails") << framed("01 03 04 12 34 56 78") << false;
    }
    void writeEcho_isJudged()
    {
        QFETCH(QByteArray, reply);
        QFETCH(bool, valid);
        peer->play({{13, {{0, reply}}}});
        const uint16_t words[2] = {swap16(0x1234), swap16(0x5678)};
        QVERIFY(line->writeMultiple(32, 2, words));
        QCOMPARE(line->waitPkt(), valid);
        QCOMPARE(line->linkError, !valid);
        QCOMPARE(line->getReg(0), 0);
    }

    void closedLine_requestReturnsFalse()
    {
        line->closePort();
        QVERIFY(!line->readHolding(0, 2));
        QVERIFY(!line->writeMultiple(0, 1, QVector<uint16_t>{1}.constData()));
    }
};

QTEST_GUILESS_MAIN(tst_modbus)
#include "tst_modbus.moc"
