#pragma once

// Seconds since local midnight, with a fraction: the seed of every draw.
float SecondsSinceMidnight();
