// Spectrum of a generated test signal: two fixed tones, one tone sweeping up
// and down, and a little noise, Hann-windowed and turned by a small DFT into
// per-bin levels.
//   sweepBin(step)                              bin of the sweeping tone at an animation step
//   generateSignal(samples, step, &noiseState)  one frame of SPECTRUM_SAMPLES samples
//   computeSpectrum(samples, levels)            SPECTRUM_BINS levels in dB full scale,
//                                               clamped to [SPECTRUM_FLOOR_DB, 0]
#pragma once
#include <cstdint>

enum {
    SPECTRUM_SAMPLES = 256,
    SPECTRUM_BINS = SPECTRUM_SAMPLES / 2,
    SPECTRUM_SAMPLE_RATE = 8000,
    SPECTRUM_FLOOR_DB = -80,
    TONE_A_BIN = 14,
    TONE_B_BIN = 40,
    SWEEP_LOW_BIN = 64,
    SWEEP_HIGH_BIN = 112,
};

uint32_t sweepBin(uint32_t step);
void generateSignal(float* samples, uint32_t step, uint32_t* noiseState);
void computeSpectrum(const float* samples, float* levels);
