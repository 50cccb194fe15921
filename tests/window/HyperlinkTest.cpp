// A held key on a link, in the key streams a platform delivers: one opening per press.

#include <QApplication>
#include <QKeyEvent>
#include <QSignalSpy>
#include <QTest>

#include <utility>
#include <vector>

#include "window/Hyperlink.h"

namespace {

struct Stroke {
    QEvent::Type type;
    quint64 time;
    bool flagged;  // as an auto-repeat
};

}  // namespace

Q_DECLARE_METATYPE(std::vector<Stroke>)

class HyperlinkTest : public QObject {
    Q_OBJECT

private slots:
    void OneOpeningPerPress_data() {
        const auto P = QEvent::KeyPress;
        const auto R = QEvent::KeyRelease;
        QTest::addColumn<int>("key");
        QTest::addColumn<std::vector<Stroke>>("strokes");
        QTest::addColumn<int>("openings");
        const std::pair<int, QByteArray> keys[] = {
            {Qt::Key_Return, "Return"}, {Qt::Key_Enter, "Enter"}, {Qt::Key_Space, "Space"}};
        for (const auto& [key, name] : keys) {
            // A held key repeats as a release and a press at one moment; Qt flags the pair only
            // when it sees both at once, which on X11 it does not always.
            QTest::newRow(name + ", held, repeats flagged")
                << key << std::vector<Stroke>{{P, 10, false}, {R, 510, true}, {P, 510, true},
                                              {R, 540, true}, {P, 540, true}, {R, 560, false}}
                << 1;
            QTest::newRow(name + ", held, repeats unflagged")
                << key << std::vector<Stroke>{{P, 10, false},  {R, 510, false}, {P, 510, false},
                                              {R, 540, false}, {P, 540, false}, {R, 560, false}}
                << 1;
            QTest::newRow(name + ", pressed twice") << key
                                                    << std::vector<Stroke>{{P, 10, false},
                                                                           {R, 90, false},
                                                                           {P, 200, false},
                                                                           {R, 280, false}}
                                                    << 2;
        }
    }

    void OneOpeningPerPress() {
        QFETCH(int, key);
        QFETCH(std::vector<Stroke>, strokes);
        QFETCH(int, openings);
        Hyperlink link(QStringLiteral("Open Data file"), Qt::black, Qt::white);
        QSignalSpy clicked(&link, &Hyperlink::clicked);
        for (const Stroke& stroke : strokes) {
            QKeyEvent event(stroke.type, key, Qt::NoModifier, QString(), stroke.flagged);
            event.setTimestamp(stroke.time);
            QApplication::sendEvent(&link, &event);
        }
        QCOMPARE(clicked.count(), openings);
    }
};

QTEST_MAIN(HyperlinkTest)
#include "HyperlinkTest.moc"
