// A PostgreSQL server of the test's own: initdb into a new folder, its Unix socket in
// that folder, no TCP. The server refuses to run as root, so under root it runs as
// the "postgres" user (or "nobody"), which owns the folder. Stopped and removed by
// the destructor, whatever the test did; and should the test process die without
// it (a crash, a kill), by a watcher process that waits for it to go.
#pragma once

#include <pwd.h>

#include "tests/support/TestSupport.h"

namespace qftest {

// The full path of a program on PATH (or under the given folders); throws when it
// is not there: a reader the tests need must be installed.
inline std::string Which(const std::string& name, std::vector<std::string> more = {}) {
  const char* path = std::getenv("PATH");
  std::istringstream dirs(path ? path : "/usr/bin:/bin");
  for (std::string d; std::getline(dirs, d, ':');) more.push_back(d);
  for (const std::string& d : more)
    if (!d.empty() && ::access((d + "/" + name).c_str(), X_OK) == 0) return d + "/" + name;
  throw std::runtime_error(name + " is not installed (make setup installs it)");
}

class PgServer {
 public:
  PgServer() {
    std::string bin;
    for (const auto& e : std::filesystem::directory_iterator("/usr/lib/postgresql"))
      if (std::filesystem::exists(e.path() / "bin/initdb") && e.path().string() > bin) bin = e.path().string();
    if (bin.empty()) throw std::runtime_error("PostgreSQL's server is not installed (make setup installs it)");
    bin_ = bin + "/bin/";
    char tmpl[] = "/tmp/qfpg-XXXXXX";
    if (!::mkdtemp(tmpl)) throw std::runtime_error("mkdtemp");
    dir_ = tmpl;
    if (::geteuid() == 0) {
      const passwd* pw = ::getpwnam("postgres");
      if (!pw) pw = ::getpwnam("nobody");
      if (!pw || ::chown(dir_.c_str(), pw->pw_uid, pw->pw_gid) != 0) throw std::runtime_error("no user to run the server");
      as_ = {Which("setpriv"), "--reuid=" + std::to_string(pw->pw_uid), "--regid=" + std::to_string(pw->pw_gid),
             "--clear-groups", "--"};
    }
    Watch();
    Server({bin_ + "initdb", "-D", dir_ + "/data", "-U", "qf", "--auth=trust", "-E", "UTF8", "--no-sync"});
    Server({bin_ + "pg_ctl", "start", "-w", "-D", dir_ + "/data", "-l", dir_ + "/log", "-o",
            "-c listen_addresses='' -k " + dir_ + " -c fsync=off"});
  }
  ~PgServer() {
    Stop();
    ::kill(watcher_, SIGKILL);
    int status = 0;
    ::waitpid(watcher_, &status, 0);
    ::close(watch_);
  }
  PgServer(const PgServer&) = delete;
  PgServer& operator=(const PgServer&) = delete;

  // A libpq URL of database db on this server.
  std::string Url(const std::string& db = "postgres") const {
    return "postgresql:///" + db + "?host=" + dir_ + "&user=qf";
  }
  // psql's CSV output of sql (fails the caller with its message).
  RunResult Psql(const std::string& sql, const std::string& db = "postgres") const {
    return Run({Which("psql"), "-X", "-q", "--csv", "-v", "ON_ERROR_STOP=1", "-d", Url(db), "-c", sql});
  }

 private:
  void Stop() const {
    try {
      Server({bin_ + "pg_ctl", "stop", "-w", "-m", "fast", "-D", dir_ + "/data"});
    } catch (...) {  // never started, or stopped already
    }
    std::error_code ec;
    std::filesystem::remove_all(dir_, ec);
  }
  // A child that reads a pipe only this process holds (close on exec): at its end,
  // this process having died without its destructor, it stops the server and
  // removes the folder. The destructor, which does that itself, ends the watcher.
  void Watch() {
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) throw std::runtime_error("pipe");
    watcher_ = ::fork();
    if (watcher_ == 0) {
      ::close(fds[1]);
      char c;
      while (::read(fds[0], &c, 1) != 0) {
      }
      Stop();
      ::sleep(2);  // a program of the server's own (initdb) may still have been writing
      Stop();
      ::_exit(0);
    }
    ::close(fds[0]);
    watch_ = fds[1];
  }
  void Server(std::vector<std::string> argv) const {
    argv.insert(argv.begin(), as_.begin(), as_.end());
    const RunResult r = Run(argv);
    if (r.status != 0) throw std::runtime_error(argv.front() + " failed: " + r.err + r.out);
  }
  std::string bin_, dir_;
  std::vector<std::string> as_;
  int watch_ = -1;
  pid_t watcher_ = -1;
};

}  // namespace qftest
