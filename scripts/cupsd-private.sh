#!/usr/bin/env bash
# A private CUPS server for tests and demos. Every file of the server lives in
# one folder the caller names (DIR); clients reach it with CUPS_SERVER=DIR/sock
# and never touch the machine's own CUPS.
#
#   cupsd-private.sh start DIR                  make DIR, start cupsd, wait until it answers
#   cupsd-private.sh add-raw DIR QUEUE [--default]
#                                               raw queue whose jobs are kept as DIR/spool/dNNNNN-001
#   cupsd-private.sh add-virtual DIR QUEUE --backend PATH [--default]
#                                               queue on the escpos-virtual backend, recording
#                                               into DIR/virtual (transcript.log, job-N.bin)
#   cupsd-private.sh jobs DIR                   completed jobs: "ID NAME DOCFILE" lines
#   cupsd-private.sh env DIR                    prints CUPS_SERVER=DIR/sock
#   cupsd-private.sh stop DIR                   stops that cupsd and whatever it started
#
# cupsd must start as root: it runs backends as user lp (and refuses to run as
# root itself), so DIR is made traversable and DIR/virtual writable by lp.
set -euo pipefail

readonly START_TIMEOUT=10 # seconds for cupsd to answer
readonly STOP_TIMEOUT=10  # seconds for cupsd to leave after SIGTERM

die() {
  echo "cupsd-private: $*" >&2
  exit 1
}

usage() {
  sed -n '2,17p' "$0" | sed 's/^# \{0,1\}//' >&2
  exit 2
}

# The server folder, checked: an absolute path.
server_dir() {
  [[ -n "${1:-}" ]] || usage
  [[ "$1" == /* ]] || die "DIR must be an absolute path, not '$1'"
  printf '%s' "${1%/}"
}

client() {
  local dir=$1
  shift
  CUPS_SERVER="$dir/sock" "$@"
}

# The pid recorded at start, if that process is still our cupsd.
running_pid() {
  local dir=$1 pid
  [[ -f "$dir/cupsd.pid" ]] || return 1
  pid=$(<"$dir/cupsd.pid")
  [[ "$pid" =~ ^[0-9]+$ ]] || return 1
  # A recycled pid belongs to some other program: match our config path.
  [[ "$(tr '\0' ' ' <"/proc/$pid/cmdline" 2>/dev/null)" == *"-c $dir/cupsd.conf "* ]] || return 1
  printf '%s' "$pid"
}

# The state letter and parent pid of a process, from /proc/PID/stat ("pid
# (comm) S ppid ..."; comm may hold spaces and parentheses).
proc_state() {
  local stat
  { stat=$(<"/proc/$1/stat"); } 2>/dev/null || return 1
  stat=${stat##*) }
  printf '%s' "${stat%% *}"
}
proc_parent() {
  local stat fields
  { stat=$(<"/proc/$1/stat"); } 2>/dev/null || return 1
  read -r -a fields <<<"${stat##*) }"
  printf '%s' "${fields[1]}"
}

# Whether a process runs. An exited one that its parent has not reaped yet
# (a zombie) still answers kill -0, but is gone for our purposes.
alive() {
  local state
  state=$(proc_state "$1") || return 1
  [[ "$state" != Z && "$state" != X ]]
}

# Whether the server answers. lpstat -r exits 0 either way, so its words
# (in the C locale: CUPS translates them) tell.
answers() {
  [[ "$(client "$1" env LC_ALL=C LANG=C lpstat -r 2>/dev/null)" == "scheduler is running" ]]
}

# Every descendant of a process.
descendants() {
  local entry pid
  for entry in /proc/[0-9]*; do
    pid=${entry#/proc/}
    if [[ "$(proc_parent "$pid" 2>/dev/null)" == "$1" ]]; then
      echo "$pid"
      descendants "$pid"
    fi
  done
}

write_config() {
  local dir=$1
  cat >"$dir/cups-files.conf" <<EOF
# Written by cupsd-private.sh: every path of this server lies inside $dir.
ServerRoot $dir
StateDir $dir/state
CacheDir $dir/cache
RequestRoot $dir/spool
TempDir $dir/spool/tmp
DataDir /usr/share/cups
ServerBin $dir/serverbin
AccessLog $dir/log/access_log
ErrorLog $dir/log/error_log
PageLog $dir/log/page_log
Printcap $dir/printcap
User lp
Group lp
FileDevice Yes
EOF
  cat >"$dir/cupsd.conf" <<EOF
# Written by cupsd-private.sh: a server for tests, on a local socket only,
# that lets its caller do anything and keeps every job and its document.
LogLevel info
Listen $dir/sock
Browsing No
BrowseLocalProtocols none
WebInterface No
PreserveJobHistory Yes
PreserveJobFiles Yes
DirtyCleanInterval 0
ErrorPolicy abort-job
DefaultPolicy default
<Location />
  Order allow,deny
  Allow all
</Location>
<Policy default>
  JobPrivateAccess all
  JobPrivateValues none
  SubscriptionPrivateAccess all
  SubscriptionPrivateValues none
  <Limit All>
    Order deny,allow
    Allow all
  </Limit>
</Policy>
EOF
}

# ServerBin: the system's programs by symlink, and a backend folder of our
# own so that escpos-virtual can sit beside the system backends.
make_serverbin() {
  local dir=$1 system=/usr/lib/cups entry
  mkdir -p "$dir/serverbin/backend"
  for entry in "$system"/*; do
    [[ "$(basename "$entry")" == backend ]] && continue
    ln -sfn "$entry" "$dir/serverbin/$(basename "$entry")"
  done
  for entry in "$system"/backend/*; do
    [[ -e "$entry" ]] && ln -sfn "$entry" "$dir/serverbin/backend/$(basename "$entry")"
  done
  chmod 0755 "$dir/serverbin" "$dir/serverbin/backend"
}

cmd_start() {
  local dir pid waited=0
  dir=$(server_dir "${1:-}")
  [[ $(id -u) -eq 0 ]] || die "start needs root: cupsd runs its backends as user lp"
  command -v cupsd >/dev/null || die "cupsd is not installed (Debian package cups-daemon)"
  command -v lpstat >/dev/null || die "lpstat is not installed (Debian package cups-client)"
  if pid=$(running_pid "$dir"); then
    die "a cupsd (pid $pid) already runs for $dir"
  fi

  mkdir -p "$dir"/{state,cache,log,spool/tmp}
  # lp runs the backends from DIR/serverbin and reads jobs from the spool.
  chmod 0755 "$dir"
  chown root:lp "$dir/spool" "$dir/spool/tmp"
  chmod 0710 "$dir/spool"
  chmod 1770 "$dir/spool/tmp"
  make_serverbin "$dir"
  write_config "$dir"
  rm -f "$dir/sock" "$dir/cupsd.pid"

  # Its own session, so the caller's terminal signals and job control do not
  # reach it; its output goes to a log instead of the caller's streams.
  setsid cupsd -f -c "$dir/cupsd.conf" -s "$dir/cups-files.conf" \
    </dev/null >>"$dir/log/cupsd.out" 2>&1 &
  pid=$!
  echo "$pid" >"$dir/cupsd.pid"

  until answers "$dir"; do
    if ! alive "$pid"; then
      rm -f "$dir/cupsd.pid"
      tail -n 20 "$dir/log/cupsd.out" "$dir/log/error_log" >&2 2>/dev/null || true
      die "cupsd exited during start-up; see $dir/log/"
    fi
    if ((waited >= START_TIMEOUT * 10)); then
      cmd_stop "$dir" >/dev/null 2>&1 || true
      tail -n 20 "$dir/log/error_log" >&2 2>/dev/null || true
      die "cupsd did not answer on $dir/sock within ${START_TIMEOUT}s"
    fi
    sleep 0.1
    waited=$((waited + 1))
  done
  echo "cupsd running, pid $pid, CUPS_SERVER=$dir/sock"
}

cmd_stop() {
  local dir pid others waited=0
  dir=$(server_dir "${1:-}")
  if ! pid=$(running_pid "$dir"); then
    rm -f "$dir/cupsd.pid"
    echo "no cupsd runs for $dir"
    return 0
  fi
  # Backends it started are ended too if cupsd leaves them behind.
  others=$(descendants "$pid")
  kill -TERM "$pid" 2>/dev/null || true
  while alive "$pid" && ((waited < STOP_TIMEOUT * 10)); do
    sleep 0.1
    waited=$((waited + 1))
  done
  if alive "$pid"; then
    echo "cupsd-private: cupsd $pid ignored SIGTERM for ${STOP_TIMEOUT}s, killing it" >&2
    others="$others $(descendants "$pid")"
    kill -KILL "$pid" 2>/dev/null || true
    waited=0
    while alive "$pid" && ((waited < 50)); do
      sleep 0.1
      waited=$((waited + 1))
    done
  fi
  local other
  for other in $others; do
    kill -KILL "$other" 2>/dev/null || true
  done
  if alive "$pid"; then die "cupsd $pid is still running"; fi
  rm -f "$dir/cupsd.pid"
  echo "cupsd $pid stopped"
}

# lpadmin, without the warning every raw queue draws in CUPS 2.4.
add_queue() {
  local dir=$1 queue=$2 uri=$3 make_default=$4 output
  [[ "$queue" =~ ^[A-Za-z0-9_.-]+$ ]] || die "queue names use letters, digits, _ . - only: '$queue'"
  running_pid "$dir" >/dev/null || die "no cupsd runs for $dir (start it first)"
  if ! output=$(client "$dir" lpadmin -p "$queue" -E -v "$uri" -m raw 2>&1); then
    die "lpadmin could not add $queue: $output"
  fi
  grep -v -i 'raw queues are deprecated' <<<"$output" >&2 || true
  if [[ "$make_default" == yes ]]; then
    client "$dir" lpadmin -d "$queue" >/dev/null || die "lpadmin could not make $queue the default"
  fi
  if [[ "$make_default" == yes ]]; then
    echo "queue $queue -> $uri (default)"
  else
    echo "queue $queue -> $uri"
  fi
}

cmd_add_raw() {
  local dir queue make_default=no
  dir=$(server_dir "${1:-}")
  queue=${2:-}
  [[ -n "$queue" ]] || usage
  shift 2
  while (($#)); do
    case $1 in
      --default) make_default=yes ;;
      *) usage ;;
    esac
    shift
  done
  add_queue "$dir" "$queue" file:///dev/null "$make_default"
}

cmd_add_virtual() {
  local dir queue backend="" make_default=no uri
  dir=$(server_dir "${1:-}")
  queue=${2:-}
  [[ -n "$queue" ]] || usage
  shift 2
  while (($#)); do
    case $1 in
      --default) make_default=yes ;;
      --backend)
        [[ $# -ge 2 ]] || usage
        backend=$2
        shift
        ;;
      *) usage ;;
    esac
    shift
  done
  [[ -n "$backend" ]] || die "add-virtual needs --backend PATH (the escpos-virtual program)"
  [[ -f "$backend" && -x "$backend" ]] || die "backend '$backend' is not an executable file"

  # A root-owned copy, readable and executable by all: cupsd then runs it as lp.
  install -m 0755 -o root -g root "$backend" "$dir/serverbin/backend/escpos-virtual"
  mkdir -p "$dir/virtual"
  chown lp:lp "$dir/virtual"
  chmod 0755 "$dir/virtual"
  uri="escpos-virtual:$dir/virtual"
  uri=${uri//%/%25}
  uri=${uri// /%20}
  add_queue "$dir" "$queue" "$uri" "$make_default"
}

# The job-name attribute from a job's control file (IPP message encoding:
# value tag, 2-byte name length, name, 2-byte value length, value).
job_name() {
  local file=$1 hex rest tag length
  local -a bytes
  hex=" $(od -An -v -tx1 "$file" | tr -s ' \n' '  ')"
  # " 00 08" + "job-name", matched on byte boundaries.
  rest=${hex#*" 00 08 6a 6f 62 2d 6e 61 6d 65 "}
  [[ "$rest" != "$hex" ]] || return 0
  tag=${hex%%" 00 08 6a 6f 62 2d 6e 61 6d 65 "*}
  tag=${tag: -2}
  read -r -a bytes <<<"$rest"
  length=$((16#${bytes[0]}${bytes[1]}))
  bytes=("${bytes[@]:2:length}")
  if [[ "$tag" == 36 ]]; then
    # nameWithLanguage: a 2-byte language length and language come first.
    local skip=$((16#${bytes[0]}${bytes[1]}))
    length=$((16#${bytes[skip + 2]}${bytes[skip + 3]}))
    bytes=("${bytes[@]:skip+4:length}")
  fi
  if ((${#bytes[@]})); then
    printf '%b' "$(printf '\\x%s' "${bytes[@]}")"
  fi
}

# "ID NAME DOCFILE" for each completed job, oldest first. The server lists
# the completed jobs; each one's name comes from its control file, which holds
# it from submission on (Get-Jobs leaves it out once a finished job's
# attributes are unloaded), and its document is the preserved spool file.
cmd_jobs() {
  local dir listing id
  dir=$(server_dir "${1:-}")
  running_pid "$dir" >/dev/null || die "no cupsd runs for $dir"
  listing=$(client "$dir" lpstat -W completed -o) || die "lpstat could not list the jobs"
  # First column QUEUE-ID; queue names may hold "-", the id follows the last.
  awk '{ n = split($1, part, "-"); print part[n] }' <<<"$listing" | sort -n |
    while read -r id; do
      [[ -n "$id" ]] || continue
      printf '%s %s %s\n' "$id" "$(job_name "$(printf '%s/spool/c%05d' "$dir" "$id")")" \
        "$(printf '%s/spool/d%05d-001' "$dir" "$id")"
    done
}

cmd_env() {
  local dir
  dir=$(server_dir "${1:-}")
  echo "CUPS_SERVER=$dir/sock"
}

main() {
  local cmd=${1:-}
  (($#)) && shift
  case $cmd in
    start) cmd_start "$@" ;;
    stop) cmd_stop "$@" ;;
    add-raw) cmd_add_raw "$@" ;;
    add-virtual) cmd_add_virtual "$@" ;;
    jobs) cmd_jobs "$@" ;;
    env) cmd_env "$@" ;;
    *) usage ;;
  esac
}

main "$@"
