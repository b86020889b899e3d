// Actors taking turns: each runs in a thread of its own, but only the one whose turn it is runs;
// the others, and the test's thread, wait for the turn to come back to them.

#include "wdfsim/Interleaving.h"

#include "wdfsim/State.h"

namespace wdfsim {

namespace {
thread_local size_t actorIndex = static_cast<size_t>(-1);
} // namespace

Interleaving::Interleaving() {
    Current().interleaving = this;
}

Interleaving::~Interleaving() {
    for (size_t actor = 0; actor < actors_.size(); actor++) {
        while (actors_[actor].phase != Phase::Finished) {
            if (Runnable().empty()) {
                Violation("actors wait for wait locks that no one will release: deadlock");
                std::lock_guard<std::mutex> held(mutex_);
                deadlocked_ = true;
                for (Actor& waiting : actors_) {
                    if (waiting.phase == Phase::Waiting) {
                        waiting.phase = Phase::Ready;
                    }
                }
            }
            Run(Runnable().front());
        }
    }
    for (Actor& actor : actors_) {
        actor.thread.join();
    }
    Current().interleaving = nullptr;
}

void Interleaving::Spawn(std::function<void()> work) {
    std::lock_guard<std::mutex> held(mutex_);
    const size_t self = actors_.size();
    actors_.emplace_back();
    actors_.back().thread = std::thread([this, self, work] {
        actorIndex = self;
        {
            std::unique_lock<std::mutex> waiting(mutex_);
            turnChanged_.wait(waiting, [&] { return turn_ == self; });
        }
        work();
        std::unique_lock<std::mutex> ending(mutex_);
        actors_[self].phase = Phase::Finished;
        turn_ = Controller;
        turnChanged_.notify_all();
    });
}

std::vector<size_t> Interleaving::Runnable() const {
    std::lock_guard<std::mutex> held(mutex_);
    std::vector<size_t> runnable;
    for (size_t actor = 0; actor < actors_.size(); actor++) {
        if (actors_[actor].phase == Phase::Ready) {
            runnable.push_back(actor);
        }
    }
    return runnable;
}

bool Interleaving::Finished() const {
    std::lock_guard<std::mutex> held(mutex_);
    for (const Actor& actor : actors_) {
        if (actor.phase != Phase::Finished) {
            return false;
        }
    }
    return true;
}

void Interleaving::Run(size_t actor) {
    std::unique_lock<std::mutex> held(mutex_);
    if (actors_.at(actor).phase != Phase::Ready) {
        return;
    }
    turn_ = actor;
    turnChanged_.notify_all();
    turnChanged_.wait(held, [&] { return turn_ == Controller; });
}

void Interleaving::GiveBack(size_t self, std::unique_lock<std::mutex>& held) {
    turn_ = Controller;
    turnChanged_.notify_all();
    turnChanged_.wait(held, [&] { return turn_ == self; });
}

void Interleaving::SwitchPoint() {
    std::unique_lock<std::mutex> held(mutex_);
    GiveBack(actorIndex, held);
}

bool Interleaving::WaitForLock(const void* lock) {
    std::unique_lock<std::mutex> held(mutex_);
    if (deadlocked_) {
        return false;
    }
    actors_[actorIndex].phase = Phase::Waiting;
    actors_[actorIndex].waitingFor = lock;
    GiveBack(actorIndex, held);
    return !deadlocked_;
}

void Interleaving::LockReleased(const void* lock) {
    std::lock_guard<std::mutex> held(mutex_);
    for (Actor& actor : actors_) {
        if (actor.phase == Phase::Waiting && actor.waitingFor == lock) {
            actor.phase = Phase::Ready;
            actor.waitingFor = nullptr;
        }
    }
}

bool Interleaving::InActor() {
    return actorIndex != static_cast<size_t>(-1);
}

} // namespace wdfsim
