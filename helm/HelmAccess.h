#pragma once

#include <chrono>
#include <cstdint>
#include <map>
#include <string>
#include <string_view>

// The code a browser on another machine must give to see the helm page,
// and the growing delay that makes guessing it slow.
//
// Every wrong code from one address doubles the wait before its answer
// (from kFirstDelay up to kMaxDelay), and attempts made in parallel from
// that address queue behind each other, so opening many sockets at once
// gains nothing. The answer to a wrong code never says what was wrong. A
// right code clears the address's count; so do kForgetAfter without a wrong
// code.
class HelmAccess {
public:
    using Clock = std::chrono::steady_clock;
    using Ms = std::chrono::milliseconds;

    struct Delays {
        Ms first{500};
        Ms max{30000};
        Ms forgetAfter{600000};
    };

    struct Verdict {
        bool accepted = false;
        Ms delay{0};  // wait this long before answering
    };

    explicit HelmAccess(std::string code);
    HelmAccess(std::string code, Delays delays);

    // Six random digits.
    static std::string NewCode();

    const std::string& Code() const { return m_code; }
    Verdict Check(const std::string& peer, std::string_view code, Clock::time_point now);

private:
    struct Peer {
        int failures = 0;
        Clock::time_point busyUntil{};  // the last queued answer's time
        Clock::time_point lastFailure{};
    };

    bool Matches(std::string_view code) const;

    std::string m_code;
    Delays m_delays;
    std::map<std::string, Peer> m_peers;
};
