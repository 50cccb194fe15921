#pragma once

#include <QByteArray>

struct Fairness;
struct Summary;

// The results of a finished run as one JSON object on one line, for scripts: what kelpov --finish N
// --json prints. Its keys, every one always present:
//   items, picks, recorded, counts, expected  the counted items 1..items, the picks counted, every
//                                              recorded pick, each item's count and its expected
//                                              count (item 1 first)
//   verdict                                    "consistent", "uneven" or "not-judged"
//   p, test                                    the p-value and "changes", "changes-exact",
//                                              "changes-simulated" or "beat-share"; null when not
//                                              judged
//   reason                                     why not judged: "no-law", "no-picks", "no-changes",
//                                              "too-few-picks", "out-of-memory"; null if judged
//   drawnItems                                 the items the draw gives (3 for 2.5 outcomes)
//   repeats, expectedRepeats, rested           the judged picks equal to the one before, as many
//                                              as independent draws would give, and whether there
//                                              are more than chance gives
//   changes, longestStretch                    {"item", "beats"}, null when no pick is judged
//   detectableFactor                           the k of "an item drawn k times as often would be
//                                              found 4 times in 5"; null when none
QByteArray FinishJson(const Summary& summary, const Fairness& fairness);
