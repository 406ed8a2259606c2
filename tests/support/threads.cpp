#include "threads.h"

#include <exception>
#include <stdexcept>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#else
#include <pthread.h>
#endif

namespace testing_support {
namespace {

struct Job {
  const std::function<void(int)>* work;
  int index;
  std::exception_ptr failure;
};

void Run(Job& job) {
  try {
    (*job.work)(job.index);
  } catch (...) {
    job.failure = std::current_exception();
  }
}

}  // namespace

void RunThreads(int count, const std::function<void(int)>& work, std::size_t stackBytes) {
  std::vector<Job> jobs;
  for (int i = 0; i < count; ++i) jobs.push_back({&work, i, nullptr});
#ifdef _WIN32
  std::vector<HANDLE> threads;
  for (auto& job : jobs) {
    const HANDLE thread = CreateThread(
        nullptr, stackBytes,
        [](void* job) -> DWORD {
          Run(*static_cast<Job*>(job));
          return 0;
        },
        &job, stackBytes ? STACK_SIZE_PARAM_IS_A_RESERVATION : 0, nullptr);
    if (!thread) throw std::runtime_error("CreateThread failed");
    threads.push_back(thread);
  }
  for (const HANDLE thread : threads) {
    WaitForSingleObject(thread, INFINITE);
    CloseHandle(thread);
  }
#else
  pthread_attr_t attributes;
  pthread_attr_init(&attributes);
  if (stackBytes) pthread_attr_setstacksize(&attributes, stackBytes);
  std::vector<pthread_t> threads;
  for (auto& job : jobs) {
    pthread_t thread;
    if (pthread_create(
            &thread, &attributes,
            [](void* job) -> void* {
              Run(*static_cast<Job*>(job));
              return nullptr;
            },
            &job) != 0) {
      throw std::runtime_error("pthread_create failed");
    }
    threads.push_back(thread);
  }
  pthread_attr_destroy(&attributes);
  for (const pthread_t thread : threads) pthread_join(thread, nullptr);
#endif
  for (const auto& job : jobs) {
    if (job.failure) std::rethrow_exception(job.failure);
  }
}

}  // namespace testing_support
