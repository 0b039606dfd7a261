#include "workerpool.h"

#include <cstdio>

namespace {

// Pages are only committed as they are touched.
constexpr size_t stackBytes = 64 * 1024 * 1024;

} // namespace

WorkerPool::WorkerPool(size_t initialWorkers, size_t maximumWorkers)
    : maximumWorkers(maximumWorkers)
{
    for (size_t i = 0; i < initialWorkers; ++i) {
        {
            std::lock_guard<std::mutex> lock(mutex);
            ++startingWorkers;
            ++launchedWorkers;
        }
        startWorker();
    }
}

WorkerPool::~WorkerPool()
{
    shutdown();
}

void WorkerPool::enqueue(std::function<void()> job)
{
    {
        std::lock_guard<std::mutex> lock(mutex);
        jobs.push_back(std::move(job));
    }
    jobAdded.notify_one();
}

void WorkerPool::shutdown()
{
    std::vector<pthread_t> joined;
    {
        std::unique_lock<std::mutex> lock(mutex);
        stopping = true;
        workerStarted.wait(lock, [this] { return workers.size() == launchedWorkers; });
        joined.swap(workers);
        launchedWorkers = 0;
    }
    jobAdded.notify_all();
    for (const pthread_t worker : joined)
        pthread_join(worker, nullptr);
}

void WorkerPool::startWorker()
{
    pthread_attr_t attributes;
    pthread_attr_init(&attributes);
    pthread_attr_setstacksize(&attributes, stackBytes);
    pthread_t worker;
    const bool started = pthread_create(&worker, &attributes, &WorkerPool::run, this) == 0;
    pthread_attr_destroy(&attributes);
    if (!started)
        std::fprintf(stderr, "kerlo-local: cannot start another worker\n");
    {
        std::lock_guard<std::mutex> lock(mutex);
        if (started) {
            workers.push_back(worker);
        } else {
            --startingWorkers;
            --launchedWorkers;
        }
    }
    workerStarted.notify_all();
}

void *WorkerPool::run(void *pool)
{
    static_cast<WorkerPool *>(pool)->work();
    return nullptr;
}

void WorkerPool::work()
{
    {
        std::lock_guard<std::mutex> lock(mutex);
        --startingWorkers;
    }
    for (;;) {
        std::function<void()> job;
        bool addSpare = false;
        {
            std::unique_lock<std::mutex> lock(mutex);
            ++idleWorkers;
            jobAdded.wait(lock, [this] { return !jobs.empty() || stopping; });
            --idleWorkers;
            if (jobs.empty())
                return;
            job = std::move(jobs.front());
            jobs.pop_front();
            // The last idle worker starts a spare, here and unlocked rather than in
            // enqueue(): the accepting thread must not wait for a thread to start, or the
            // listen backlog fills and new connections stall for a second.
            addSpare = idleWorkers == 0 && startingWorkers == 0 && !stopping &&
                       launchedWorkers < maximumWorkers;
            if (addSpare) {
                ++startingWorkers;
                ++launchedWorkers;
            }
        }
        if (addSpare)
            startWorker();
        job();
    }
}
