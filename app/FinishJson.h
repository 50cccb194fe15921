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
//   p, test                                    the p-value and "changes", "changes-simulated" or
//                                              "binomial"; null when not judged
//   reason                                     why not judged: "no-law", "no-picks", "no-changes",
//                                              "two-items-rested", "out-of-memory"; null if judged
//   drawnItems                                 the items the draw gives (3 for 2.5 outcomes)
//   repeats, expectedRepeats, rested           the rests of the pointer
//   changes, longestStretch                    {"item", "beats"}, null when no pick is judged
//   detectableFactor                           the k of "an item drawn k times as often would be
//                                              found 4 times in 5"; null when none
QByteArray FinishJson(const Summary& summary, const Fairness& fairness);
