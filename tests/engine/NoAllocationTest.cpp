// Processing a ping must not allocate: this test binary counts every
// operator new while pings are decoded and processed.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <memory>
#include <new>

#include "engine/XSound.h"
#include "tests/engine/FrameBytes.h"

namespace {
std::atomic<bool> g_counting{false};
std::atomic<long> g_allocations{0};

void* Allocate(std::size_t size) {
    if (g_counting.load(std::memory_order_relaxed))
        g_allocations.fetch_add(1, std::memory_order_relaxed);
    if (void* p = std::malloc(size == 0 ? 1 : size)) return p;
    throw std::bad_alloc();
}
void* AllocateAligned(std::size_t size, std::align_val_t align) {
    if (g_counting.load(std::memory_order_relaxed))
        g_allocations.fetch_add(1, std::memory_order_relaxed);
    const auto a = static_cast<std::size_t>(align);
    if (void* p = std::aligned_alloc(a, (size + a - 1) / a * a)) return p;
    throw std::bad_alloc();
}
}  // namespace

void* operator new(std::size_t size) {
    return Allocate(size);
}
void* operator new[](std::size_t size) {
    return Allocate(size);
}
void* operator new(std::size_t size, std::align_val_t align) {
    return AllocateAligned(size, align);
}
void* operator new[](std::size_t size, std::align_val_t align) {
    return AllocateAligned(size, align);
}
void operator delete(void* p) noexcept {
    std::free(p);
}
void operator delete[](void* p) noexcept {
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
    std::free(p);
}
void operator delete[](void* p, std::size_t) noexcept {
    std::free(p);
}
void operator delete(void* p, std::align_val_t) noexcept {
    std::free(p);
}
void operator delete[](void* p, std::align_val_t) noexcept {
    std::free(p);
}
void operator delete(void* p, std::size_t, std::align_val_t) noexcept {
    std::free(p);
}
void operator delete[](void* p, std::size_t, std::align_val_t) noexcept {
    std::free(p);
}

namespace {

using namespace FrameBytes;

TEST(NoAllocation, DecodingAndProcessingPingsAllocatesNothing) {
    auto engine = std::make_unique<XSound>();
    engine->Sounding().SetGainAuto(1);
    engine->Sounding().SetRangeAuto(1);
    engine->Sounding().SetAntiJamMode(2);
    std::vector<Bytes> pings;
    for (std::size_t depth : {300u, 900u, 2500u, 4000u, 7000u, 12000u})
        pings.push_back(
            Frame(Body(Concat({Bytes(depth, 0), Bytes(30, 4), Bytes(200, 2)})), 0x9E, 0, 1));
    pings.push_back(Frame(Body(Bytes(19990, 1))));  // worst case: one long run
    pings.push_back(Frame(Body(Bytes(25000, 1))));  // past the sample limit
    pings.push_back(Frame(Body(Bytes(50, 0))));     // no echo

    g_allocations = 0;
    g_counting = true;
    int processed = 0;
    for (int round = 0; round < 20; ++round) {
        engine->Sounding().SetUseNet(round % 2);
        engine->SetMarkDebounce(100);
        for (const Bytes& ping : pings) {
            engine->DecodeBytes(ping.data(), static_cast<std::uint32_t>(ping.size()));
            processed += engine->StepLive();
        }
    }
    g_counting = false;
    EXPECT_EQ(processed, 20 * static_cast<int>(pings.size()));
    EXPECT_EQ(g_allocations.load(), 0);
}

}  // namespace
