#pragma once
// One object per thread, made on the thread's first use and destroyed when
// the thread ends, as a `thread_local` object is, except that running out of
// memory while making it is a std::bad_alloc the caller can report. A
// thread_local with a destructor has glibc record that destructor on first
// use, in memory it allocates then; when that allocation fails, glibc ends
// the whole process ("failed to register TLS destructor"), which a tight
// address-space limit made happen in a new worker thread.
//
//   Cache& cache = base::PerThread<Cache>();

#include <pthread.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <memory>
#include <new>

namespace base {

namespace detail {

// Threads other than the main one own their object through a POSIX key:
// setting a key's value allocates nothing for the first keys of a process,
// and fails with a status rather than ending the process for the others.
template <typename T>
T* MakeForThisThread() {
    if (::getpid() == pid_t(::syscall(SYS_gettid))) {
        // The main thread ends with the process, where keys' destructors do
        // not run: its object is destroyed with the other statics instead.
        static T own;
        return &own;
    }
    static const pthread_key_t key = [] {
        pthread_key_t k;
        if (::pthread_key_create(&k, [](void* object) { delete static_cast<T*>(object); }) != 0) throw std::bad_alloc();
        return k;
    }();
    auto made = std::make_unique<T>();
    if (::pthread_setspecific(key, made.get()) != 0) throw std::bad_alloc();
    return made.release();
}

}  // namespace detail

template <typename T>
T& PerThread() {
    thread_local T* mine = nullptr;  // a plain pointer: nothing for glibc to record
    if (!mine) [[unlikely]]
        mine = detail::MakeForThisThread<T>();
    return *mine;
}

}  // namespace base
