#ifndef MRUNASIDE_H
#define MRUNASIDE_H

#include <QFutureWatcher>
#include <QObject>
#include <QThread>
#include <QtConcurrent/QtConcurrentRun>

#include <memory>
#include <optional>
#include <type_traits>
#include <utility>

// Runs work on a pool thread, then done with its result (moved in; nothing for a void work) on
// context's thread, whichever thread that is; done is never called once context is gone. Called
// on context's thread. A watcher owned by context carries the hand-over, so the pool thread
// never touches context itself. The future ends with the work, not with done.
template<typename Work, typename Done>
QFuture<void> mRunAside(QObject *context, Work work, Done done)
{
    Q_ASSERT(context && context->thread() == QThread::currentThread());
    using Result = std::invoke_result_t<Work &>;
    auto *watcher = new QFutureWatcher<void>(context);
    QFuture<void> future;
    if constexpr (std::is_void_v<Result>) {
        QObject::connect(watcher, &QFutureWatcherBase::finished, context,
                         [watcher, done = std::move(done)]() mutable {
                             watcher->deleteLater();
                             done();
                         });
        future = QtConcurrent::run(std::move(work));
    } else {
        // Shared by both sides: whichever lets go last frees what done did not take.
        const auto result = std::make_shared<std::optional<Result>>();
        QObject::connect(watcher, &QFutureWatcherBase::finished, context,
                         [watcher, result, done = std::move(done)]() mutable {
                             watcher->deleteLater();
                             if (*result)
                                 done(std::move(**result));
                         });
        future = QtConcurrent::run(
            [result, work = std::move(work)]() mutable { result->emplace(work()); });
    }
    watcher->setFuture(future);
    return future;
}

#endif // MRUNASIDE_H
