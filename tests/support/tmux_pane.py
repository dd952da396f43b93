"""A shell in a real terminal: a tmux server of its own whose socket lives in
a temporary folder of the caller's, so nothing is left in the system's
temporary folder when the folder is removed. Every wait has a deadline."""
import os
import subprocess
import time

TMUX_TIMEOUT = 10  # seconds for one tmux command


class Pane:
    def __init__(self, folder, command, env=None, width=100, height=30):
        self.socket = os.path.join(folder, "tmux.sock")
        self.tmux("new-session", "-d", "-x", str(width), "-y", str(height), command, env=env)

    def tmux(self, *args, env=None):
        run_env = dict(os.environ if env is None else env)
        run_env.pop("TMUX", None)
        done = subprocess.run(["tmux", "-S", self.socket, "-f", "/dev/null", *args],
                              capture_output=True, text=True, env=run_env, timeout=TMUX_TIMEOUT)
        if done.returncode != 0 and args[0] not in ("kill-server", "kill-session"):
            raise AssertionError(f"tmux {' '.join(args)}: {done.stderr.strip()}")
        return done.stdout

    def keys(self, *keys):
        self.tmux("send-keys", "-t", "0", *keys)

    def type_line(self, text):
        self.tmux("send-keys", "-t", "0", "-l", text)
        self.keys("Enter")

    def screen(self):
        """The visible rows and the scrolled-off history, joined by newlines."""
        return self.tmux("capture-pane", "-p", "-J", "-S", "-", "-t", "0")

    def display(self, fmt):
        return self.tmux("display-message", "-p", "-t", "0", fmt).rstrip("\n")

    def wait_for(self, predicate, what, timeout):
        deadline = time.monotonic() + timeout
        while True:
            screen = self.screen()
            if predicate(screen):
                return screen
            if time.monotonic() > deadline:
                raise AssertionError(f"no {what} within {timeout} s; the screen:\n{screen}")
            time.sleep(0.2)

    def wait_text(self, text, timeout):
        return self.wait_for(lambda screen: text in screen, repr(text), timeout)

    def close(self):
        """Kills the tmux server, then removes the socket tmux leaves behind."""
        self.tmux("kill-server")
        try:
            os.unlink(self.socket)
        except FileNotFoundError:
            pass


def descendants(root_pid):
    """Pids of every process below root_pid, from /proc."""
    children = {}
    for entry in os.listdir("/proc"):
        if not entry.isdigit():
            continue
        try:
            with open(f"/proc/{entry}/stat") as f:
                stat = f.read()
        except OSError:
            continue
        # "pid (comm) state ppid ...": comm may hold spaces and parentheses.
        ppid = int(stat[stat.rindex(")") + 2:].split()[1])
        children.setdefault(ppid, []).append(int(entry))
    found, todo = [], [root_pid]
    while todo:
        for child in children.get(todo.pop(), []):
            found.append(child)
            todo.append(child)
    return found


def find_program(root_pid, program):
    """The pid of the process below root_pid running program (a path)."""
    for pid in descendants(root_pid):
        try:
            if os.readlink(f"/proc/{pid}/exe") == program:
                return pid
        except OSError:
            continue
    return None
