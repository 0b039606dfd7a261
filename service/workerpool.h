#ifndef WORKERPOOL_H
#define WORKERPOOL_H

#include <httplib.h>

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <pthread.h>
#include <vector>

// The HTTP layer's task queue: one connection a job, and a spare worker started whenever the
// last idle one takes a job, up to a ceiling. A fixed pool lets a few dozen slow or hung
// connections hold every worker while new ones wait behind them. Workers get a stack of their own
// size, not the one the starting shell's limit would give them: the HTTP layer parses a Range
// header with a regular expression that recurses once per character, up to its 8 KiB header line.
class WorkerPool : public httplib::TaskQueue
{
public:
    WorkerPool(size_t initialWorkers, size_t maximumWorkers);
    ~WorkerPool() override;

    void enqueue(std::function<void()> job) override;
    // Lets queued jobs finish, then joins every worker.
    void shutdown() override;

private:
    // Counted in startingWorkers and launchedWorkers by the caller; the worker itself leaves
    // startingWorkers once it runs, so that no job waits unseen between the two counts.
    void startWorker();
    static void *run(void *pool);
    void work();

    const size_t maximumWorkers;
    std::mutex mutex;
    std::condition_variable jobAdded;
    std::condition_variable workerStarted;
    std::deque<std::function<void()>> jobs;
    std::vector<pthread_t> workers;
    size_t idleWorkers = 0;
    size_t startingWorkers = 0; // launched, not yet running
    size_t launchedWorkers = 0; // workers holds their handles once pthread_create returned
    bool stopping = false;
};

#endif // WORKERPOOL_H
