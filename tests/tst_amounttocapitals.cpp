#include "print/AmountToCapitals.h"

#include <QTest>

class TestAmountToCapitals : public QObject
{
    Q_OBJECT

private slots:
    void capitals_data()
    {
        QTest::addColumn<double>("amount");
        QTest::addColumn<QString>("expected");
        QTest::newRow("0") << 0.0 << "零";
        QTest::newRow("0.01") << 0.01 << "壹分";
        QTest::newRow("0.5") << 0.5 << "伍角整";
        QTest::newRow("1.01") << 1.01 << "壹圆零壹分";
        QTest::newRow("10.10") << 10.10 << "壹拾圆零壹角整";
        QTest::newRow("20.5") << 20.5 << "贰拾圆零伍角整";
        QTest::newRow("1005") << 1005.0 << "壹仟零伍圆整";
        QTest::newRow("60000") << 60000.0 << "陆万圆整";
        QTest::newRow("100010") << 100010.0 << "壹拾万零壹拾圆整";
        QTest::newRow("105000.3") << 105000.3 << "壹拾万零伍仟圆零叁角整";
        QTest::newRow("1000000") << 1000000.0 << "壹佰万圆整";
        QTest::newRow("10000000.05") << 10000000.05 << "壹仟万圆零伍分";
        QTest::newRow("100000000") << 100000000.0 << "壹亿圆整";
        QTest::newRow("1000000001") << 1000000001.0 << "壹拾亿零壹圆整";
        QTest::newRow("123456789.12") << 123456789.12 << "壹亿贰仟叁佰肆拾伍万陆仟柒佰捌拾玖圆壹角贰分";
        QTest::newRow("-5.5") << -5.5 << "负数:伍圆伍角整";
        QTest::newRow("largest") << 9999999999999.99 << "玖万玖仟玖佰玖拾玖亿玖仟玖佰玖拾玖万玖仟玖佰玖拾玖圆玖角玖分";
        QTest::newRow("overflow") << 10000000000000.0 << "溢出";
        QTest::newRow("negative overflow") << -10000000000000.0 << "溢出";
        QTest::newRow("half a fen rounds away from zero") << 0.125 << "壹角叁分";
        QTest::newRow("less than half a fen") << 0.004 << "零";
    }

    void capitals()
    {
        QFETCH(double, amount);
        QFETCH(QString, expected);
        QCOMPARE(AmountToCapitals(amount), expected);
    }
};

QTEST_GUILESS_MAIN(TestAmountToCapitals)
#include "tst_amounttocapitals.moc"
