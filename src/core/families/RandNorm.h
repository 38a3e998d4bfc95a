#pragma once
// Random draws of the response imitation: uniform in [0, 1) and the normal
// draw RandNorm(centre, spread), which inverts a 400-point table of the
// standard normal distribution so that a draw never leaves centre ± 3.99
// spreads. One generator for the whole process; the imitation action
// re-seeds it at each toggle.

#include <cstdint>

namespace omi {

double RandUniform();                        // [0, 1)
int RandInt(int count);                      // 0 .. count-1 (0 when count <= 0)
double RandNorm(double centre, double spread);
// The draw rounded to the nearest integer (where a whole number is needed).
int RandNormInt(double centre, double spread);

// Re-seeds the generator: from the clock, or with a given seed (tests).
void ReseedImitation();
void SeedImitation(std::uint32_t seed);

// The inverse of the table: z for a probability p in [0.5, 1), 0..3.99.
double NormalQuantileTable(double p);

}  // namespace omi
