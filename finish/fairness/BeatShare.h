#pragma once

#include "finish/fairness/Observed.h"
#include "finish/fairness/Outcome.h"
#include "picker/DrawLaw.h"

// The beat-share test: whether item 1's share of the beats fits its chance q1 in the draw's law.
//
// It rests on one condition: how long the pointer rests does not depend on the item current,
// which holds because Kelpov never shows the current item while picking. Then every movement is a
// fresh draw whose item does not sway how many beats it stays current, so over each turn from the
// start of one stretch of item 1 to the start of the next (a stopping time of the draws), the
// beats on item 1 minus q1 times the turn's beats have mean 0 (Wald's identity), and the turns'
// sums add up like a martingale's steps even when rests come in bursts. The mean of the turns
// against their spread is read as Student's t with one degree of freedom fewer than the turns.
// The first stretch (which may have begun before the first beat that counts) and the turn that
// the run's end cuts off are left out.
//
// Fills in fairness's share, fairShare, turns and weighsAs; without FewestTurns whole turns there
// is no p.
TestOutcome BeatShareTest(const DrawLaw& law, const Observed& seen, Fairness& fairness);
