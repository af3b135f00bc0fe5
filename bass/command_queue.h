#pragma once
// What the API (any thread, serialised by the API's lock) asks of the render
// thread. A fixed ring, one producer and one consumer, no locks, no allocation.

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>

#include "bass/dsp.h"

struct RenderCommand {
  enum Kind : uint8_t { kPlay, kStop, kStopAll, kReverb } kind = kPlay;
  uint32_t sampleId = 0;
  SampleFrames data;             // kPlay
  StereoGain gain{0.0f};         // kPlay: the volume, and the placing between the channels
  size_t startFrame = 0;         // kPlay
  double step = 1.0;             // kPlay: frames of the data per output frame (its pitch)
  std::atomic<int>* active = nullptr;  // kPlay: the sample's voice count, already raised
  float wet = 0, decay = 0, damp = 0;  // kReverb
  int64_t posted = 0;            // kPlay: the performance counter when it was sent
};

template <size_t Capacity>
class SpscQueue {
  static_assert((Capacity & (Capacity - 1)) == 0, "capacity must be a power of two");

 public:
  bool Push(const RenderCommand& command) {
    size_t tail = tail_.load(std::memory_order_relaxed);
    if (tail - head_.load(std::memory_order_acquire) == Capacity) return false;
    slots_[tail & (Capacity - 1)] = command;
    tail_.store(tail + 1, std::memory_order_release);
    return true;
  }
  bool Pop(RenderCommand& command) {
    size_t head = head_.load(std::memory_order_relaxed);
    if (head == tail_.load(std::memory_order_acquire)) return false;
    command = slots_[head & (Capacity - 1)];
    head_.store(head + 1, std::memory_order_release);
    return true;
  }

 private:
  std::array<RenderCommand, Capacity> slots_{};
  std::atomic<size_t> head_{0};
  std::atomic<size_t> tail_{0};
};
