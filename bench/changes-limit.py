#!/usr/bin/env python3
"""How far the chi-square limit of the changes test is from the exact law of the stretch counts,
for N equal items: the exact law of (n_1, ..., n_N) over S stretches of the chain of changes (the
first stretch a draw of the law, each next one a draw of the others), grown a stretch at a time.
For each (N, S) it prints the share of fair runs that the limit reads as uneven at the 1% level,
and the least and greatest ratio of the limit's p to the exact p where the exact p is from 0.01 to
0.05. The reading uses the exact law for 3 items up to 150 stretches, and the limit from 7
stretches expected per item.

Usage: bench/changes-limit.py   (Python 3, its standard library only)
"""
import math


def exact_counts(items, stretches):
    table = {}
    for j in range(items):
        counts = [0] * items
        counts[j] = 1
        table[(j, tuple(counts))] = 1 / items
    for _ in range(stretches - 1):
        grown = {}
        for (current, counts), chance in table.items():
            for j in range(items):
                if j != current:
                    more = list(counts)
                    more[j] += 1
                    key = (j, tuple(more))
                    grown[key] = grown.get(key, 0) + chance / (items - 1)
        table = grown
    final = {}
    for (_, counts), chance in table.items():
        final[counts] = final.get(counts, 0) + chance
    return final


def chi_square_tail(x, freedom):
    if freedom % 2 == 0:
        return math.exp(-x / 2) * sum((x / 2) ** k / math.factorial(k) for k in range(freedom // 2))
    tail = math.erfc(math.sqrt(x / 2))
    term = math.sqrt(2 * x / math.pi) * math.exp(-x / 2)
    for k in range(1, (freedom + 1) // 2):
        tail += term
        term *= x / (2 * k + 1)
    return tail


def compare(items, stretches):
    expected = stretches / items
    ranked = sorted(((sum((c - expected) ** 2 / expected for c in counts), chance)
                     for counts, chance in exact_counts(items, stretches).items()), reverse=True)
    uneven, exact, least, most = 0.0, 0.0, math.inf, 0.0
    k = 0
    while k < len(ranked):
        end, tied = k, 0.0
        while end < len(ranked) and ranked[end][0] >= ranked[k][0] * (1 - 1e-9):
            tied += ranked[end][1]
            end += 1
        exact += tied
        # Pearson's statistic scaled by N / (N - 2) for the chain's dependence.
        limit = chi_square_tail(ranked[k][0] * items / (items - 2), items - 1)
        if limit < 0.01:
            uneven += tied
        if 0.01 <= exact <= 0.05:
            least, most = min(least, limit / exact), max(most, limit / exact)
        k = end
    return uneven, least, most


print("items stretches  limit reads uneven  limit p / exact p, exact p in 0.01-0.05")
for items, stretches in [(3, 16), (3, 30), (3, 60), (3, 100), (3, 150), (3, 200), (4, 20), (4, 28),
                         (4, 40), (5, 35), (6, 42)]:
    uneven, least, most = compare(items, stretches)
    print(f"{items:5} {stretches:9} {100 * uneven:18.2f}%  {least:.2f} to {most:.2f}", flush=True)
