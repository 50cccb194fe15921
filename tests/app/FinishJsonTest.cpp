// The JSON of kelpov --finish N --json, built from the summary and the reading of runs of every
// kind: one valid object on one line, with every key present and null where nothing applies.

#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>

#include <cmath>
#include <memory>

#include "app/FinishJson.h"
#include "finish/Fairness.h"
#include "finish/Summary.h"
#include "picker/Picker.h"
#include "tests/engine/Stretches.h"

class FinishJsonTest : public QObject {
    Q_OBJECT

private slots:
    // "picks" as stretches: "1*20 2" is item 1 for 20 beats, then item 2 for one. In "json" the
    // string "number" stands for any number: a simulated p, or the detectable factor, which the
    // engine's tests check.
    void HoldsEveryKeyOfEveryRun_data() {
        QTest::addColumn<QByteArray>("outcomes");
        QTest::addColumn<QString>("picks");
        QTest::addColumn<QByteArray>("json");
        // Counts 16, 6, 5, 5 of 32 stretches: p is erfc(sqrt(y/2)) + sqrt(2y/pi) exp(-y/2) with
        // y = 2 (64 + 4 + 9 + 9) / 8.
        QTest::newRow("uneven") << QByteArray("4")
                                << "1 2 1 3 1 4 1 2 1 3 1 4 1 2 1 3 1 4 1 2 1 2 1 3 1 4 1 2 1 3 1 4"
                                << QByteArray(R"({"items": 4, "picks": 32, "recorded": 32,
            "counts": [16, 6, 5, 5], "expected": [8, 8, 8, 8], "verdict": "uneven",
            "p": 8.287854510495484e-05, "test": "changes", "reason": null, "drawnItems": 4,
            "repeats": 0, "expectedRepeats": 9.6875, "rested": false, "changes": 31,
            "longestStretch": {"item": 1, "beats": 1}, "detectableFactor": "number"})");
        // Too few stretches to tell: the exact test's p (0.0242) is not given as a verdict's.
        QTest::newRow("too few to tell")
            << QByteArray("3") << "1 2 1 2 1 3 2 1 2 1 2 3 1 2 1 2" << QByteArray(R"({"items": 3,
            "picks": 16, "recorded": 16, "counts": [7, 7, 2],
            "expected": [5.333333333333333, 5.333333333333333, 5.333333333333333],
            "verdict": "not-judged", "p": null, "test": null, "reason": "too-few-picks",
            "drawnItems": 3, "repeats": 0, "expectedRepeats": 5.375, "rested": false,
            "changes": 15, "longestStretch": {"item": 1, "beats": 1}, "detectableFactor": null})");
        // 2.5 outcomes count items 1 and 2, and draw 3 too, half as often; the 0 before the
        // first movement is recorded, not judged. Item 1 begins 60 of 120 stretches, where the
        // chain of changes gives it 45: p worked out apart, in Python, by a table of (current
        // item, counts) grown a stretch at a time, the first stretch a draw of 0.4, 0.4, 0.2.
        QTest::newRow("fractional, exact")
            << QByteArray("2.5") << ("0 " + QString("1*2 2 1 3 ").repeated(30))
            << QByteArray(R"({"items": 2, "picks": 120, "recorded": 151, "counts": [90, 30],
            "expected": [60, 60], "verdict": "uneven", "p": 1.292699750248155e-05,
            "test": "changes-exact",
            "reason": null, "drawnItems": 3, "repeats": 30, "expectedRepeats": 65,
            "rested": false, "changes": 119, "longestStretch": {"item": 1, "beats": 2},
            "detectableFactor": "number"})");
        QTest::newRow("no items") << QByteArray("-3") << "1*2" << QByteArray(R"({"items": 0,
            "picks": 0, "recorded": 2, "counts": [], "expected": [], "verdict": "not-judged",
            "p": null, "test": null, "reason": "no-law", "drawnItems": 0, "repeats": 0,
            "expectedRepeats": 0, "rested": false, "changes": 0, "longestStretch": null,
            "detectableFactor": null})");
        QTest::newRow("no picks") << QByteArray("3") << "" << QByteArray(R"({"items": 3,
            "picks": 0, "recorded": 0, "counts": [0, 0, 0], "expected": [0, 0, 0],
            "verdict": "not-judged", "p": null, "test": null, "reason": "no-picks",
            "drawnItems": 3, "repeats": 0, "expectedRepeats": 0, "rested": false, "changes": 0,
            "longestStretch": null, "detectableFactor": null})");
    }

    void HoldsEveryKeyOfEveryRun() {
        QFETCH(QByteArray, outcomes);
        QFETCH(QString, picks);
        QFETCH(QByteArray, json);
        const auto picker = std::make_unique<Picker>();
        for (const Int16 pick : Stretches(picks.toStdString())) {
            picker->Picks[++picker->PickCount] = pick;
        }
        TallyPicks(*picker, outcomes.toStdString());
        const QByteArray printed = FinishJson(
            Summarize(*picker, outcomes.toStdString()),
            JudgeFairness(picker->Picks.Slots(1, picker->PickCount), outcomes.toStdString()));
        QVERIFY2(printed.endsWith('\n') && printed.count('\n') == 1, printed.constData());
        QJsonParseError error;
        const QJsonDocument document = QJsonDocument::fromJson(printed, &error);
        QVERIFY2(error.error == QJsonParseError::NoError && document.isObject(),
                 qPrintable(error.errorString()));
        const QJsonObject said = document.object();
        const QJsonObject wanted = QJsonDocument::fromJson(json).object();
        QCOMPARE(said.keys(), wanted.keys());
        for (const QString& key : wanted.keys()) {
            const QJsonValue value = said[key];
            if (wanted[key] == QJsonValue(QStringLiteral("number"))) {
                QVERIFY2(value.isDouble() && value.toDouble() > 0, qPrintable(key));
            } else if (wanted[key].isDouble()) {
                QVERIFY2(std::abs(value.toDouble() - wanted[key].toDouble()) <=
                             1e-12 * std::abs(wanted[key].toDouble()),
                         qPrintable(key + ": " + QString::number(value.toDouble(), 'g', 17)));
            } else {
                QVERIFY2(value == wanted[key], qPrintable(key));
            }
        }
    }
};

QTEST_GUILESS_MAIN(FinishJsonTest)
#include "FinishJsonTest.moc"
