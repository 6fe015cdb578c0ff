#pragma once

// Clang's thread-safety attributes, so that the compiler checks which mutex guards which
// field (-Wthread-safety). Other compilers ignore them.
#if defined(__clang__)
#define KEYDESK_THREAD_ANNOTATION(x) __attribute__((x))
#else
#define KEYDESK_THREAD_ANNOTATION(x)
#endif

#define CAPABILITY(x) KEYDESK_THREAD_ANNOTATION(capability(x))
#define SCOPED_CAPABILITY KEYDESK_THREAD_ANNOTATION(scoped_lockable)
#define GUARDED_BY(x) KEYDESK_THREAD_ANNOTATION(guarded_by(x))
#define PT_GUARDED_BY(x) KEYDESK_THREAD_ANNOTATION(pt_guarded_by(x))
#define ACQUIRED_AFTER(...) KEYDESK_THREAD_ANNOTATION(acquired_after(__VA_ARGS__))
#define REQUIRES(...) KEYDESK_THREAD_ANNOTATION(requires_capability(__VA_ARGS__))
#define ACQUIRE(...) KEYDESK_THREAD_ANNOTATION(acquire_capability(__VA_ARGS__))
#define RELEASE(...) KEYDESK_THREAD_ANNOTATION(release_capability(__VA_ARGS__))
#define TRY_ACQUIRE(...) KEYDESK_THREAD_ANNOTATION(try_acquire_capability(__VA_ARGS__))
#define EXCLUDES(...) KEYDESK_THREAD_ANNOTATION(locks_excluded(__VA_ARGS__))
#define ASSERT_CAPABILITY(x) KEYDESK_THREAD_ANNOTATION(assert_capability(x))
#define RETURN_CAPABILITY(x) KEYDESK_THREAD_ANNOTATION(lock_returned(x))
#define NO_THREAD_SAFETY_ANALYSIS KEYDESK_THREAD_ANNOTATION(no_thread_safety_analysis)
