#include "payload/spectrum.h"

#include <cmath>

namespace {

const float TWO_PI = 6.28318530718f;

// xorshift32: cheap, deterministic noise that needs no runtime seeding.
float nextNoise(uint32_t* state) {
    uint32_t x = *state;
    x ^= x << 13;
    x ^= x >> 17;
    x ^= x << 5;
    *state = x;
    return static_cast<float>(x & 0xFFFF) / 32768.0f - 1.0f;
}

}  // namespace

uint32_t sweepBin(uint32_t step) {
    const uint32_t span = SWEEP_HIGH_BIN - SWEEP_LOW_BIN;
    uint32_t phase = step % (2 * span);
    return SWEEP_LOW_BIN + (phase <= span ? phase : 2 * span - phase);
}

void generateSignal(float* samples, uint32_t step, uint32_t* noiseState) {
    // Components sit on bin centres so each shows as one clean peak.
    const float a = TWO_PI * TONE_A_BIN / SPECTRUM_SAMPLES;
    const float b = TWO_PI * TONE_B_BIN / SPECTRUM_SAMPLES;
    const float c = TWO_PI * static_cast<float>(sweepBin(step)) / SPECTRUM_SAMPLES;
    for (int n = 0; n < SPECTRUM_SAMPLES; ++n) {
        float t = static_cast<float>(n);
        samples[n] = 0.5f * std::sin(a * t) + 0.25f * std::sin(b * t) + 0.12f * std::sin(c * t) +
                     0.004f * nextNoise(noiseState);
    }
}

void computeSpectrum(const float* samples, float* levels) {
    // One table of the unit circle serves every bin: e^(-i 2 pi k n / N) = table[(k n) mod N].
    float cosTable[SPECTRUM_SAMPLES];
    float sinTable[SPECTRUM_SAMPLES];
    float windowed[SPECTRUM_SAMPLES];
    float windowSum = 0.0f;
    for (int n = 0; n < SPECTRUM_SAMPLES; ++n) {
        float angle = TWO_PI * static_cast<float>(n) / SPECTRUM_SAMPLES;
        cosTable[n] = std::cos(angle);
        sinTable[n] = std::sin(angle);
        float hann = 0.5f - 0.5f * cosTable[n];
        windowed[n] = samples[n] * hann;
        windowSum += hann;
    }
    for (int k = 0; k < SPECTRUM_BINS; ++k) {
        float re = 0.0f;
        float im = 0.0f;
        for (int n = 0; n < SPECTRUM_SAMPLES; ++n) {
            int index = (k * n) % SPECTRUM_SAMPLES;
            re += windowed[n] * cosTable[index];
            im -= windowed[n] * sinTable[index];
        }
        // Scaled so that a full-scale sine on a bin centre reads 0 dB.
        float amplitude = 2.0f * std::sqrt(re * re + im * im) / windowSum;
        float db = amplitude > 0.0f ? 20.0f * std::log10(amplitude) : static_cast<float>(SPECTRUM_FLOOR_DB);
        levels[k] = db < SPECTRUM_FLOOR_DB ? static_cast<float>(SPECTRUM_FLOOR_DB) : (db > 0.0f ? 0.0f : db);
    }
}
