// Requests as actors that take turns, for tests that explore every order of events: one actor
// runs at a time, from one switch point to the next, and the test chooses which runs next or
// takes a step of Plug and Play's work in between. An actor reaches a switch point before
// every framework routine that reads or changes what another request or Plug and Play can see
// (the child list, a wait lock); the routines that touch only the request's own state (its
// buffers, its file object, the queue's device) commute with every other step, and switching
// there would only repeat schedules that no one can tell apart. An actor that asks for a wait
// lock another holds waits, as it would on Windows, until that lock is released.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace wdfsim {

class Interleaving {
public:
    // Attaches to the machine that exists, which must outlive it.
    Interleaving();
    // Lets every actor run to its end.
    ~Interleaving();
    Interleaving(const Interleaving&) = delete;
    Interleaving& operator=(const Interleaving&) = delete;

    // A new actor, paused before its work.
    void Spawn(std::function<void()> work);
    // The actors that can run: not finished and not waiting for a wait lock held by another.
    std::vector<size_t> Runnable() const;
    bool Finished() const;
    // Runs the actor until its next switch point, its wait for a lock, or its end.
    void Run(size_t actor);

    // For the framework's routines, in an actor's thread: give the turn back, or wait until
    // the lock is released (false once the actors are found deadlocked: the wait is over).
    void SwitchPoint();
    bool WaitForLock(const void* lock);
    void LockReleased(const void* lock);
    // Whether the calling thread is one of the actors.
    static bool InActor();

private:
    enum class Phase { Ready, Waiting, Finished };
    struct Actor {
        Phase phase = Phase::Ready;
        const void* waitingFor = nullptr;
        std::thread thread;
    };
    void GiveBack(size_t self, std::unique_lock<std::mutex>& held);

    mutable std::mutex mutex_;
    std::condition_variable turnChanged_;
    static constexpr size_t Controller = static_cast<size_t>(-1);
    size_t turn_ = Controller;
    std::vector<Actor> actors_;
    bool deadlocked_ = false;
};

} // namespace wdfsim
