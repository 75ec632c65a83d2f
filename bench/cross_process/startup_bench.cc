// Starting kiv-subprocess, beside the same start without V8:
//   StartToFirstScript/renderer  exec until the first page script runs (its
//                                console line arrives)
//   ForkToFirstScript/renderer   the same for a renderer forked from a zygote
//                                that is already running
//   StartWithoutV8/gpu_process   exec of the same executable as a process
//                                kind that only connects its channel, until
//                                it has ended on the channel's close
//   IdleRss/renderer             resident memory of an idle renderer with
//                                one context
//   IdleRss/forked_renderer      the same for a renderer forked from a zygote
//   IdleRss/gpu_process          the same for the process without V8
//   StartEmptyProgram/libnode    exec to exit of a program that does nothing
//                                but is linked to libnode: the loader's
//                                floor under every exec'd renderer
//   StartEmptyProgram/plain      the same program without libnode

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <string>
#include <thread>

#include "bench/common/bench_main.h"
#include "bench/cross_process/proc_status.h"
#include "host/renderer_host.h"

namespace kivbench {

namespace {

using Clock = std::chrono::steady_clock;
using kivhost::HostEvent;
using kivhost::RendererHost;

const kivhost::Millis kTimeout(30000);

std::unique_ptr<RendererHost> Launch(const std::string& type,
                                     std::string* error,
                                     kivhost::Zygote* zygote = nullptr) {
  kivhost::RendererOptions options;
  options.executable = KIV_SUBPROCESS_PATH;
  options.process_type = type;
  options.zygote = zygote;
  return RendererHost::Launch(options, error);
}

// Asks for a browser whose page logs one line.
bool LoadFirstPage(RendererHost* host, std::string* error) {
  ipc::LoadFrame load;
  load.browser_id = 1;
  load.frame_id = 1;
  load.is_main = true;
  load.url = "bench://start";
  load.script = u"console.log('first script');";
  return host->StartRenderThread(ipc::WireValue::List({}), error) &&
         host->CreateBrowser(1, error) && host->LoadFrame(load, error);
}

bool IsFirstScriptLine(const HostEvent& event) {
  const ipc::Event* wire = std::get_if<ipc::Event>(&event);
  const ipc::ConsoleMessage* line =
      wire ? std::get_if<ipc::ConsoleMessage>(wire) : nullptr;
  return line && line->text == "first script";
}

bool WaitForFirstScript(RendererHost* host, std::string* error) {
  const Clock::time_point deadline = Clock::now() + kTimeout;
  std::vector<HostEvent> events;
  while (Clock::now() < deadline) {
    if (!host->Poll(kTimeout, &events)) {
      *error = "the renderer ended before its first script ran";
      return false;
    }
    for (const HostEvent& event : events) {
      if (IsFirstScriptLine(event))
        return true;
    }
    events.clear();
  }
  *error = "the first script did not run in time";
  return false;
}

bool EndedCleanly(RendererHost* host, std::string* error) {
  std::vector<HostEvent> events;
  host->WaitForExit(kTimeout, &events);
  const auto& status = host->exit_status();
  if (!status || status->signaled || status->code != 0) {
    *error = "the sub-process did not end cleanly: " +
             (status ? status->Describe() : std::string("still running"));
    return false;
  }
  return true;
}

// Launch until the first page script runs; forked from |zygote| when given.
void StartToFirstScript(benchmark::State& state, kivhost::Zygote* zygote) {
  for (auto _ : state) {
    std::string error;
    Clock::time_point start = Clock::now();
    std::unique_ptr<RendererHost> host = Launch("renderer", &error, zygote);
    // Launch falls back to exec when the zygote fails; that is not the
    // figure asked for.
    if (zygote && host && !host->forked())
      return Fail(state, "the zygote did not fork the renderer: " + error);
    if (!host || !LoadFirstPage(host.get(), &error) ||
        !WaitForFirstScript(host.get(), &error)) {
      return Fail(state, error);
    }
    state.SetIterationTime(
        std::chrono::duration<double>(Clock::now() - start).count());
    if (!host->Shutdown(0, &error) || !EndedCleanly(host.get(), &error))
      return Fail(state, error);
  }
}

// Runs |measure| with a zygote that started before it.
void WithZygote(benchmark::State& state,
                void (*measure)(benchmark::State&, kivhost::Zygote*)) {
  std::string error;
  std::unique_ptr<kivhost::Zygote> zygote =
      kivhost::Zygote::Start(KIV_SUBPROCESS_PATH, &error);
  if (!zygote)
    return Fail(state, error);
  measure(state, zygote.get());
}

void BM_StartToFirstScript(benchmark::State& state) {
  StartToFirstScript(state, nullptr);
}

void BM_ForkToFirstScript(benchmark::State& state) {
  WithZygote(state, StartToFirstScript);
}

void BM_StartWithoutV8(benchmark::State& state) {
  for (auto _ : state) {
    std::string error;
    Clock::time_point start = Clock::now();
    std::unique_ptr<RendererHost> host = Launch("gpu-process", &error);
    if (!host)
      return Fail(state, error);
    host->CloseChannel();
    if (!EndedCleanly(host.get(), &error))
      return Fail(state, error);
    state.SetIterationTime(
        std::chrono::duration<double>(Clock::now() - start).count());
  }
}

// Runs |path| without arguments and waits for it; false with |error| set
// unless it ended with status 0.
bool RunToExit(const char* path, std::string* error) {
  char* const argv[] = {const_cast<char*>(path), nullptr};
  pid_t pid = 0;
  const int spawned = posix_spawn(&pid, path, nullptr, nullptr, argv, environ);
  if (spawned != 0) {
    *error = std::string("cannot start ") + path + ": " + strerror(spawned);
    return false;
  }
  int status = 0;
  while (waitpid(pid, &status, 0) < 0) {
    if (errno != EINTR) {
      *error = std::string("cannot wait for ") + path + ": " + strerror(errno);
      return false;
    }
  }
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    *error = std::string(path) + " did not end cleanly";
    return false;
  }
  return true;
}

void StartEmptyProgram(benchmark::State& state, const char* path) {
  for (auto _ : state) {
    std::string error;
    const Clock::time_point start = Clock::now();
    if (!RunToExit(path, &error))
      return Fail(state, error);
    state.SetIterationTime(
        std::chrono::duration<double>(Clock::now() - start).count());
  }
}

void BM_StartEmptyProgramLibnode(benchmark::State& state) {
  StartEmptyProgram(state, KIV_EMPTY_PROGRAM_V8_PATH);
}

void BM_StartEmptyProgramPlain(benchmark::State& state) {
  StartEmptyProgram(state, KIV_EMPTY_PROGRAM_PATH);
}

void SetRss(benchmark::State& state, long kib) {
  state.counters["rss_mib"] = kib / 1024.0;
}

// The idle renderer's resident memory; forked from |zygote| when given.
void IdleRss(benchmark::State& state, kivhost::Zygote* zygote) {
  for (auto _ : state) {
    std::string error;
    std::unique_ptr<RendererHost> host = Launch("renderer", &error, zygote);
    if (zygote && host && !host->forked())
      return Fail(state, "the zygote did not fork the renderer: " + error);
    bool idle = false;
    if (!host || !LoadFirstPage(host.get(), &error) ||
        !WaitForFirstScript(host.get(), &error)) {
      return Fail(state, error);
    }
    std::vector<HostEvent> events;
    while (!idle) {
      if (host->Sync(kTimeout, &events, &idle) !=
          RendererHost::SyncResult::kReplied) {
        return Fail(state, "the renderer did not settle");
      }
    }
    long kib = ReadVmRssKib(host->pid());
    if (kib <= 0)
      return Fail(state, "cannot read the renderer's resident memory");
    SetRss(state, kib);
    if (!host->Shutdown(0, &error) || !EndedCleanly(host.get(), &error))
      return Fail(state, error);
  }
}

void BM_IdleRssRenderer(benchmark::State& state) {
  IdleRss(state, nullptr);
}

void BM_IdleRssForked(benchmark::State& state) {
  WithZygote(state, IdleRss);
}

// The process without V8 gives no sign of being ready; it is once it sleeps
// waiting on its channel, seen twice in a row.
void BM_IdleRssWithoutV8(benchmark::State& state) {
  for (auto _ : state) {
    std::string error;
    std::unique_ptr<RendererHost> host = Launch("gpu-process", &error);
    if (!host)
      return Fail(state, error);
    const Clock::time_point deadline = Clock::now() + kTimeout;
    int sleeping = 0;
    while (sleeping < 2 && Clock::now() < deadline) {
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
      sleeping = ReadStatState(host->pid()) == 'S' ? sleeping + 1 : 0;
    }
    long kib = ReadVmRssKib(host->pid());
    if (sleeping < 2 || kib <= 0)
      return Fail(state, "the process did not come to rest");
    SetRss(state, kib);
    host->CloseChannel();
    if (!EndedCleanly(host.get(), &error))
      return Fail(state, error);
  }
}

}  // namespace

void RegisterStartupBenchmarks() {
  Register("StartToFirstScript/renderer", BM_StartToFirstScript)
      ->UseManualTime()
      ->Iterations(Size(5, 1));
  Register("ForkToFirstScript/renderer", BM_ForkToFirstScript)
      ->UseManualTime()
      ->Iterations(Size(5, 1));
  Register("StartWithoutV8/gpu_process", BM_StartWithoutV8)
      ->UseManualTime()
      ->Iterations(Size(5, 1));
  Register("StartEmptyProgram/libnode", BM_StartEmptyProgramLibnode)
      ->UseManualTime()
      ->Iterations(Size(5, 1));
  Register("StartEmptyProgram/plain", BM_StartEmptyProgramPlain)
      ->UseManualTime()
      ->Iterations(Size(5, 1));
  Register("IdleRss/renderer", BM_IdleRssRenderer)->Iterations(1);
  Register("IdleRss/forked_renderer", BM_IdleRssForked)->Iterations(1);
  Register("IdleRss/gpu_process", BM_IdleRssWithoutV8)->Iterations(1);
}

}  // namespace kivbench
