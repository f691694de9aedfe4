#include "group-commit.h"

#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

namespace {

// PostgreSQL takes at most 65535 parameters in one statement, 40 a row.
const size_t MAX_BATCH = 1000;

// One registration waiting for its transaction.
struct Pending {
    const StoredRegistration* registration = nullptr;
    StoreOutcome outcome = StoreOutcome::Failed;
    std::string error;
    bool done = false;
    // Its own, so a commit wakes only the requests it answers.
    std::condition_variable written;
};

class GroupCommitStore : public RegistrationStore {
public:
    explicit GroupCommitStore(std::unique_ptr<RegistrationDatabase> database)
        : database_(std::move(database)), writer_([this] { Write(); }) {}

    // Everything queued is written before the writer ends.
    ~GroupCommitStore() override {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            stopping_ = true;
        }
        queued_.notify_one();
        writer_.join();
    }

    StoreOutcome Store(const StoredRegistration& registration, std::string& error) override {
        Pending pending;
        pending.registration = &registration;
        std::unique_lock<std::mutex> lock(mutex_);
        queue_.push_back(&pending);
        queued_.notify_one();
        pending.written.wait(lock, [&pending] { return pending.done; });
        error = pending.error;
        return pending.outcome;
    }

    bool Export(const std::string& since, const ExportRow& row, std::string& error) override {
        std::lock_guard<std::mutex> lock(databaseMutex_);
        return database_->Export(since, row, error);
    }

private:
    void Write() {
        std::vector<Pending*> batch;
        std::vector<const StoredRegistration*> registrations;
        std::vector<StoreOutcome> outcomes;
        for (;;) {
            {
                std::unique_lock<std::mutex> lock(mutex_);
                queued_.wait(lock, [this] { return stopping_ || !queue_.empty(); });
                if (queue_.empty())
                    return;
                size_t count = std::min(queue_.size(), MAX_BATCH);
                batch.assign(queue_.begin(), queue_.begin() + static_cast<long>(count));
                queue_.erase(queue_.begin(), queue_.begin() + static_cast<long>(count));
            }
            registrations.clear();
            for (Pending* pending : batch)
                registrations.push_back(pending->registration);
            outcomes.assign(batch.size(), StoreOutcome::Failed);
            std::string error;
            bool written;
            {
                std::lock_guard<std::mutex> lock(databaseMutex_);
                written = database_->StoreBatch(registrations, outcomes, error);
            }
            // Under the lock: a request that sees its answer returns, and its
            // Pending is gone.
            std::lock_guard<std::mutex> lock(mutex_);
            for (size_t i = 0; i < batch.size(); i++) {
                batch[i]->outcome = written ? outcomes[i] : StoreOutcome::Failed;
                if (!written)
                    batch[i]->error = error;
                batch[i]->done = true;
                batch[i]->written.notify_one();
            }
        }
    }

    std::unique_ptr<RegistrationDatabase> database_;
    std::mutex databaseMutex_;
    std::mutex mutex_;
    std::condition_variable queued_;
    std::deque<Pending*> queue_;
    bool stopping_ = false;
    std::thread writer_;
};

} // namespace

std::unique_ptr<RegistrationStore> GroupCommit(std::unique_ptr<RegistrationDatabase> database) {
    return std::make_unique<GroupCommitStore>(std::move(database));
}
