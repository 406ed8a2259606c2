#include "threads.h"

#include <cstdio>
#include <cstdlib>
#include <exception>
#include <stdexcept>
#include <string>
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

#ifdef _WIN32
DWORD WINAPI RunJob(void* job) {
  Run(*static_cast<Job*>(job));
  return 0;
}
#endif

}  // namespace

bool OnEmulatedI686() {
  const char* route = std::getenv("RPV_I686_ROUTE_USED");
  return sizeof(void*) == 4 && route && std::string(route) == "emulated";
}

void RunThreads(int count, const std::function<void(int)>& work, std::size_t stackBytes) {
  std::vector<Job> jobs;
  for (int i = 0; i < count; ++i) jobs.push_back({&work, i, nullptr});
#ifdef _WIN32
  const bool oneAtATime = OnEmulatedI686();
  if (oneAtATime && count > 1) {
    std::printf("the emulated i686 route: %d threads run one after another\n", count);
  }
  std::vector<HANDLE> threads;
  for (auto& job : jobs) {
    const HANDLE thread = CreateThread(nullptr, stackBytes, RunJob, &job,
                                       stackBytes ? STACK_SIZE_PARAM_IS_A_RESERVATION : 0, nullptr);
    if (!thread) throw std::runtime_error("CreateThread failed");
    if (oneAtATime) WaitForSingleObject(thread, INFINITE);
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
