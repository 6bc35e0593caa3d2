#include "video/AudioClock.h"

#include <chrono>

namespace {

class CSystemAudioClock final : public CAudioClock
{
public:
    std::int64_t NowMs() override
    {
        using namespace std::chrono;
        return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
    }

    bool WaitUntil(std::unique_lock<std::mutex>& lock, std::condition_variable& cv, std::int64_t deadlineMs,
                   const std::function<bool()>& wake) override
    {
        using namespace std::chrono;
        const steady_clock::time_point deadline{milliseconds(deadlineMs)};
        return cv.wait_until(lock, deadline, wake);
    }
};

} // namespace

std::shared_ptr<CAudioClock> SystemAudioClock()
{
    static const std::shared_ptr<CAudioClock> clock = std::make_shared<CSystemAudioClock>();
    return clock;
}
