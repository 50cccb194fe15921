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
        // Counts 12, 5, 4, 3 of 24 stretches: p is erfc(sqrt(y/2)) + sqrt(2y/pi) exp(-y/2) with
        // y = 2 (36 + 1 + 4 + 9) / 6.
        QTest::newRow("uneven") << QByteArray("4")
                                << "1 2 1 3 1 4 1 2 1 3 1 4 1 2 1 3 1 4 1 2 1 2 1 3"
                                << QByteArray(R"({"items": 4, "picks": 24, "recorded": 24,
            "counts": [12, 5, 4, 3], "expected": [6, 6, 6, 6], "verdict": "uneven",
            "p": 0.0008275246236931512, "test": "changes", "reason": null, "drawnItems": 4,
            "repeats": 0, "expectedRepeats": 7.083333333333333, "rested": false, "changes": 23,
            "longestStretch": {"item": 1, "beats": 1}, "detectableFactor": "number"})");
        QTest::newRow("two items, rests")
            << QByteArray("2") << "1*20 2*20 1*20 2*20" << QByteArray(R"({"items": 2,
            "picks": 80, "recorded": 80, "counts": [40, 40], "expected": [40, 40],
            "verdict": "not-judged", "p": null, "test": null, "reason": "two-items-rested",
            "drawnItems": 2, "repeats": 76, "expectedRepeats": 39, "rested": true, "changes": 3,
            "longestStretch": {"item": 1, "beats": 20}, "detectableFactor": null})");
        // 2.5 outcomes count items 1 and 2, and draw 3 too, half as often.
        QTest::newRow("fractional, sparse")
            << QByteArray("2.5") << "0 1 3 2 3 1 2" << QByteArray(R"({"items": 2, "picks": 4,
            "recorded": 7, "counts": [2, 2], "expected": [2, 2], "verdict": "consistent",
            "p": "number", "test": "changes-simulated", "reason": null, "drawnItems": 3,
            "repeats": 0, "expectedRepeats": 1, "rested": false, "changes": 5,
            "longestStretch": {"item": 1, "beats": 1}, "detectableFactor": null})");
        QTest::newRow("no items") << QByteArray("-3") << "1*2" << QByteArray(R"({"items": 0,
            "picks": 0, "recorded": 2, "counts": [], "expected": [], "verdict": "not-judged",
            "p": null, "test": null, "reason": "no-law", "drawnItems": 0, "repeats": 1,
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
