// Qt's event queue is built without ThreadSanitizer: the order it gives
// (whatever a thread did before it posted an event happens before the event
// is handled) is invisible to the sanitizer, which then reports every
// posting thread's writes as racing with the handler's reads. The poster
// marks a release on an address and the handler an acquire on the same
// one, which states that order. Without the sanitizer both are nothing.
#pragma once

#if defined(__SANITIZE_THREAD__)
#define K5_THREAD_SANITIZER 1
#elif defined(__has_feature)
#if __has_feature(thread_sanitizer)
#define K5_THREAD_SANITIZER 1
#endif
#endif

#ifdef K5_THREAD_SANITIZER
extern "C" void __tsan_acquire(void* addr);
extern "C" void __tsan_release(void* addr);
inline void TsanRelease(const void* addr)
{
    __tsan_release(const_cast<void*>(addr));
}
inline void TsanAcquire(const void* addr)
{
    __tsan_acquire(const_cast<void*>(addr));
}
#else
inline void TsanRelease(const void*) {}
inline void TsanAcquire(const void*) {}
#endif
