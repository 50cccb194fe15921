#include "app/FinishJson.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <cmath>
#include <optional>

#include "finish/Fairness.h"
#include "finish/Summary.h"

namespace {

// JSON has no NaN or infinity: such a number, or none, is null.
QJsonValue NumberOrNull(std::optional<double> value) {
    return value && std::isfinite(*value) ? QJsonValue(*value) : QJsonValue();
}

QJsonValue TestName(Fairness::Test test) {
    switch (test) {
        case Fairness::Test::Changes:
            return QStringLiteral("changes");
        case Fairness::Test::SimulatedChanges:
            return QStringLiteral("changes-simulated");
        case Fairness::Test::Binomial:
            return QStringLiteral("binomial");
        case Fairness::Test::None:
            break;
    }
    return {};
}

QJsonValue Reason(Fairness::Obstacle obstacle) {
    switch (obstacle) {
        case Fairness::Obstacle::NoLaw:
            return QStringLiteral("no-law");
        case Fairness::Obstacle::NoPicks:
            return QStringLiteral("no-picks");
        case Fairness::Obstacle::NoChanges:
            return QStringLiteral("no-changes");
        case Fairness::Obstacle::TwoItemsRested:
            return QStringLiteral("two-items-rested");
        case Fairness::Obstacle::OutOfMemory:
            return QStringLiteral("out-of-memory");
        case Fairness::Obstacle::None:
            break;
    }
    return {};
}

QString Verdict(Fairness::Verdict verdict) {
    switch (verdict) {
        case Fairness::Verdict::Consistent:
            return QStringLiteral("consistent");
        case Fairness::Verdict::Uneven:
            return QStringLiteral("uneven");
        case Fairness::Verdict::NotJudged:
            break;
    }
    return QStringLiteral("not-judged");
}

}  // namespace

QByteArray FinishJson(const Summary& summary, const Fairness& fairness) {
    QJsonArray counts, expected;
    for (const int count : summary.counts) {
        counts.append(count);
    }
    for (const double count : summary.expected) {
        expected.append(NumberOrNull(count));
    }
    QJsonValue longest;
    if (fairness.longestStretch > 0) {
        longest = QJsonObject{{QStringLiteral("item"), fairness.longestItem},
                              {QStringLiteral("beats"), fairness.longestStretch}};
    }
    const QJsonObject results{
        {QStringLiteral("items"), static_cast<int>(summary.counts.size())},
        {QStringLiteral("picks"), summary.picks},
        {QStringLiteral("recorded"), summary.recorded},
        {QStringLiteral("counts"), counts},
        {QStringLiteral("expected"), expected},
        {QStringLiteral("verdict"), Verdict(fairness.verdict)},
        {QStringLiteral("p"), NumberOrNull(fairness.p)},
        {QStringLiteral("test"), TestName(fairness.test)},
        {QStringLiteral("reason"), Reason(fairness.obstacle)},
        {QStringLiteral("drawnItems"), fairness.items},
        {QStringLiteral("repeats"), fairness.repeats},
        {QStringLiteral("expectedRepeats"), NumberOrNull(fairness.expectedRepeats)},
        {QStringLiteral("rested"), fairness.rested},
        {QStringLiteral("changes"), fairness.changes},
        {QStringLiteral("longestStretch"), longest},
        {QStringLiteral("detectableFactor"), NumberOrNull(fairness.detectable)},
    };
    return QJsonDocument(results).toJson(QJsonDocument::Compact) + '\n';
}
