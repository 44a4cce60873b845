#include "ftp/worker.h"

void Worker::Start(std::function<void()> job) {
    Join();
    thread = std::thread(std::move(job));
}

void Worker::Join() {
    if (thread.joinable()) thread.join();
}
