#include "modbusprobe.h"
#include "replybytes.h"
#include "tests/support/ptypeer.h"
#include "xmodemprobe.h"

#include <QElapsedTimer>
#include <QtTest>

#include <memory>

namespace {

const QByteArray EOT_BYTE(1, '\x04');
const QByteArray ACK_BYTE(1, '\x06');

// XMODEM-1K block number 1 whose data byte i is i mod 256; CRC computed apart.
QByteArray countingBlock()
{
    QByteArray block = QByteArray::fromHex("02 01 FE");
    for (int i = 0; i < 1024; ++i)
        block.append(static_cast<char>(i & 0xFF));
    return block + QByteArray::fromHex("C2 E0");
}

// Block number 2 whose data byte i is (31 i + 7) mod 256.
QByteArray scrambledBlock()
{
    QByteArray block = QByteArray::fromHex("02 02 FD");
    for (int i = 0; i < 1024; ++i)
        block.append(static_cast<char>((i * 31 + 7) & 0xFF));
    return block + QByteArray::fromHex("F0 09");
}

QByteArray withByteFlipped(QByteArray bytes, int index)
{
    bytes[index] = static_cast<char>(bytes.at(index) ^ 0x01);
    return bytes;
}

} // namespace

class tst_xmodem_line : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<PtyPeer> peer;
    std::unique_ptr<XmodemProbe> line;

    void openLine()
    {
        line->portName = peer->portPath();
        QVERIFY(line->openPort());
    }

private slots:
    void init()
    {
        peer = std::make_unique<PtyPeer>();
        QVERIFY(peer->isReady());
        line = std::make_unique<XmodemProbe>();
    }
    void cleanup()
    {
        line.reset();
        peer.reset();
    }

    void crc16Xmodem_matchesReferenceVectors_data()
    {
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<int>("crc");
        QTest::newRow("empty input keeps zero") << QByteArray() << 0;
        QTest::newRow("check string 123456789") << QByteArray("123456789") << 0x31C3;
        QTest::newRow("counting block data") << countingBlock().mid(3, 1024) << 0xC2E0;
        QTest::newRow("scrambled block data") << scrambledBlock().mid(3, 1024) << 0xF009;
    }
    void crc16Xmodem_matchesReferenceVectors()
    {
        QFETCH(QByteArray, data);
        QFETCH(int, crc);
        QCOMPARE(int(xmodem_line::crc16Xmodem(reinterpret_cast<const uint8_t *>(data.constData()),
                                              data.size())),
                 crc);
    }

    void transfer_judgesReply_data()
    {
        QTest::addColumn<int>("expected");
        QTest::addColumn<Pieces>("reply");
        QTest::addColumn<int>("result");
        QTest::addColumn<QByteArray>("kept");
        const QByteArray block = countingBlock();
        const QByteArray xmodem128 = block.left(3 + 128) + QByteArray::fromHex("00 00");

        QTest::newRow("good block returns 1029") << 1029 << Pieces{{0, block}} << 1029 << block;
        QTest::newRow("block in pieces 5 ms apart returns 1029")
            << 1029 << Pieces{{0, block.left(100)}, {5, block.mid(100, 600)}, {5, block.mid(700)}}
            << 1029 << block;
        QTest::newRow("block starting after 150 ms returns 1029")
            << 1029 << Pieces{{150, block}} << 1029 << block;
        QTest::newRow("good block followed by stray bytes passes on its first 1029")
            << 1029 << Pieces{{0, block + QByteArray(40, '\x7E')}} << 1029 << block;
        QTest::newRow("EOT alone returns 1") << 1029 << Pieces{{0, EOT_BYTE}} << 1 << EOT_BYTE;
        QTest::newRow("EOT followed by more bytes fails")
            << 1029 << Pieces{{0, EOT_BYTE + ACK_BYTE}} << -1 << QByteArray();
        QTest::newRow("wrong CRC fails")
            << 1029 << Pieces{{0, withByteFlipped(block, 1028)}} << -1 << QByteArray();
        QTest::newRow("corrupt data byte fails")
            << 1029 << Pieces{{0, withByteFlipped(block, 500)}} << -1 << QByteArray();
        QTest::newRow("CRC low byte first fails")
            << 1029 << Pieces{{0, block.left(1027) + QByteArray::fromHex("E0 C2")}} << -1
            << QByteArray();
        QTest::newRow("133-byte block fails")
            << 1029 << Pieces{{0, xmodem128}} << -1 << QByteArray();
        QTest::newRow("nothing after the final ACK returns 0")
            << 0 << Pieces{} << 0 << QByteArray();
    }
    void transfer_judgesReply()
    {
        QFETCH(int, expected);
        QFETCH(Pieces, reply);
        QFETCH(int, result);
        QFETCH(QByteArray, kept);
        openLine();
        peer->play({{1, reply}});

        QCOMPARE(line->transfer(xmodem_line::ACK, expected), result);
        QCOMPARE(line->rxLen, result);
        QCOMPARE(line->linkError, result < 0);
        QCOMPARE(keptReply(*line), kept);
        QVERIFY(zeroFrom(*line, result >= 0 ? result : xmodem_line::BLOCK_SIZE));
    }

    void transfer_eot_leavesZeroFilledRecords()
    {
        openLine();
        peer->play({{1, {{0, EOT_BYTE}}}});
        QCOMPARE(line->transfer(xmodem_line::START, 1029), 1);
        QVERIFY(zeroFrom(*line, 1));
    }

    void transfer_noBlock_failsWithin1210ms()
    {
        openLine();
        peer->play({{1, {}}});
        QElapsedTimer clock;
        clock.start();
        QCOMPARE(line->transfer(xmodem_line::START, 1029), -1);
        QVERIFY(clock.elapsed() >= 200);
        QVERIFY(clock.elapsed() <= 1210 + 300);
        QVERIFY(line->linkError);
    }

    void download_runsUntilEotAndFinalAck()
    {
        openLine();
        peer->play({{1, {{0, countingBlock()}}},
                    {1, {{0, scrambledBlock()}}},
                    {1, {{0, EOT_BYTE}}},
                    {1, {}}});

        QCOMPARE(line->transfer(xmodem_line::START, 1029), 1029);
        QCOMPARE(line->transfer(xmodem_line::ACK, 1029), 1029);
        QCOMPARE(keptReply(*line), scrambledBlock());
        QCOMPARE(line->transfer(xmodem_line::ACK, 1029), 1);
        QCOMPARE(line->transfer(xmodem_line::ACK, 0), 0);
        QTRY_COMPARE_WITH_TIMEOUT(peer->heard(), QByteArray("C") + ACK_BYTE + ACK_BYTE + ACK_BYTE,
                                  2000);
    }

    void openPort_runsAt115200WhateverTheModbusBaud()
    {
        ModbusProbe modbusLine;
        modbusLine.portName = peer->portPath();
        modbusLine.baudRate = 9600;
        QVERIFY(modbusLine.openPort());
        modbusLine.closePort();

        line->portName = modbusLine.portName;
        QVERIFY(line->openPort());
        QCOMPARE(peer->lineSpeed(), speed_t(B115200));
        line->closePort();
        QVERIFY(!line->isOpen);

        QVERIFY(modbusLine.openPort());
        QCOMPARE(peer->lineSpeed(), speed_t(B9600));
    }

    void openPort_missingPort_fails()
    {
        line->portName = QStringLiteral("/dev/tq17-no-such-port");
        QVERIFY(!line->openPort());
        QVERIFY(line->linkError);
        QVERIFY(!line->isOpen);
    }

    void transfer_closedLine_fails()
    {
        QCOMPARE(line->transfer(xmodem_line::START, 1029), -1);
        QVERIFY(line->linkError);
    }
};

QTEST_GUILESS_MAIN(tst_xmodem_line)
#include "tst_xmodem_line.moc"
