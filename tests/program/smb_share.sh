#!/usr/bin/env bash
# A Windows-style file server on this machine, reached the way a desktop reaches one: a
# private Samba server on the loopback address (a free port, a share in a scratch folder, a
# user and password of its own) mounted with `gio mount` through GVFS and its FUSE folder.
# The command given runs with the share mounted and these variables set:
#   DOCUVANE_SMB_MOUNT   the share's folder on the FUSE mount (where the program works)
#   DOCUVANE_SMB_SERVER  the same folder on the server's side (to plant what others leave)
#   smb_share.sh COMMAND [ARGS...]
# Exits with 77 after printing "SKIPPED: <reason>" when this machine cannot run a server
# and the mount (no /dev/fuse, not root, a package missing, the mount refused); the mount,
# the server and the session bus are always taken down again.
set -uo pipefail
SKIP=77
skip() { echo "SKIPPED: $*"; exit $SKIP; }
fail() { echo "FAIL: $*" >&2; exit 1; }

[ $# -ge 1 ] || fail "usage: smb_share.sh COMMAND [ARGS...]"
[ -c /dev/fuse ] || skip "no /dev/fuse on this machine"
[ "$(id -u)" -eq 0 ] || skip "starting a Samba server and adding its user needs root"
for tool in smbd smbpasswd smbclient dbus-run-session gio fusermount3 \
            /usr/libexec/gvfsd /usr/libexec/gvfsd-fuse; do
  command -v "$tool" >/dev/null 2>&1 || skip "$tool is not installed (scripts/setup.sh)"
done

scratch=$(mktemp -d)
chmod 0755 "$scratch"
user=docuvanesmb
password="Pw-$RANDOM$RANDOM"
made_user=0
smbd_pid=""

cleanup() {
  if [ -n "${smbd_pid}" ]; then
    # smbd and the processes it forked (one a client, running as the share's user) are the
    # process group it leads.
    kill -- "-$smbd_pid" 2>/dev/null
    for _ in $(seq 50); do kill -0 -- "-$smbd_pid" 2>/dev/null || break; sleep 0.1; done
    kill -9 -- "-$smbd_pid" 2>/dev/null
  fi
  [ "$made_user" -eq 1 ] && { userdel "$user" >/dev/null 2>&1 || echo "smb_share: could not remove the user $user" >&2; }
  rm -rf "$scratch"
}
trap cleanup EXIT

if ! id "$user" >/dev/null 2>&1; then
  useradd --no-create-home --shell /usr/sbin/nologin "$user" || skip "cannot add the system user $user"
  made_user=1
fi

# A free port on the loopback address.
port=""
for candidate in $(shuf -i 20000-60000 -n 40); do
  if ! (exec 3<>"/dev/tcp/127.0.0.1/$candidate") 2>/dev/null; then port=$candidate; break; fi
done
[ -n "$port" ] || skip "no free port on 127.0.0.1"

share="$scratch/share"
mkdir -p "$share" "$scratch"/{state,pid,lock,cache,private,logs}
chown "$user" "$share"
cat >"$scratch/smb.conf" <<EOF
[global]
  workgroup = WORKGROUP
  interfaces = 127.0.0.1
  bind interfaces only = yes
  smb ports = $port
  state directory = $scratch/state
  pid directory = $scratch/pid
  lock directory = $scratch/lock
  cache directory = $scratch/cache
  private dir = $scratch/private
  ncalrpc dir = $scratch/state/ncalrpc
  passdb backend = tdbsam:$scratch/private/passdb.tdb
  log file = $scratch/logs/log.%m
  disable spoolss = yes
  load printers = no
  printcap name = /dev/null
[recfiles]
  path = $share
  read only = no
  force user = $user
EOF
printf '%s\n%s\n' "$password" "$password" |
  smbpasswd -c "$scratch/smb.conf" -s -a "$user" >"$scratch/smbpasswd.log" 2>&1 ||
  { cat "$scratch/smbpasswd.log"; skip "smbpasswd could not add the share's user"; }

# In a session of its own: when it stops, smbd signals its whole process group.
setsid smbd -s "$scratch/smb.conf" -F --no-process-group </dev/null >"$scratch/logs/smbd.out" 2>&1 &
smbd_pid=$!
up=0
for _ in $(seq 100); do
  kill -0 "$smbd_pid" 2>/dev/null || break
  if smbclient -s "$scratch/smb.conf" -p "$port" -U "$user%$password" //127.0.0.1/recfiles \
       -c ls >/dev/null 2>&1; then up=1; break; fi
  sleep 0.1
done
[ "$up" -eq 1 ] || { tail -20 "$scratch/logs/smbd.out"; skip "the Samba server did not start"; }

# The session: a private bus and runtime folder, GVFS's daemon and its FUSE folder, the mount.
export XDG_RUNTIME_DIR="$scratch/run"
# No volume monitors: only the share is mounted.
export GVFS_REMOTE_VOLUME_MONITOR_IGNORE=1
mkdir -m 0700 "$XDG_RUNTIME_DIR"
export SMB_SHARE_USER=$user SMB_SHARE_PASSWORD=$password SMB_SHARE_PORT=$port SMB_SHARE_DIR=$share
dbus-run-session -- bash -c '
  set -uo pipefail
  gvfsd_pid=""; fuse_pid=""
  mounted="$XDG_RUNTIME_DIR/gvfs/smb-share:port=$SMB_SHARE_PORT,server=127.0.0.1,share=recfiles"
  down() {
    gio mount -u "smb://127.0.0.1:$SMB_SHARE_PORT/recfiles" >/dev/null 2>&1
    fusermount3 -u "$XDG_RUNTIME_DIR/gvfs" >/dev/null 2>&1
    for p in $fuse_pid $gvfsd_pid; do kill "$p" 2>/dev/null; done
    for p in $fuse_pid $gvfsd_pid; do
      for _ in $(seq 50); do kill -0 "$p" 2>/dev/null || break; sleep 0.1; done
      kill -9 "$p" 2>/dev/null
    done
  }
  trap down EXIT
  /usr/libexec/gvfsd --no-fuse >"$XDG_RUNTIME_DIR/gvfsd.log" 2>&1 &
  gvfsd_pid=$!
  mkdir -p "$XDG_RUNTIME_DIR/gvfs"
  /usr/libexec/gvfsd-fuse "$XDG_RUNTIME_DIR/gvfs" -f >"$XDG_RUNTIME_DIR/fuse.log" 2>&1 &
  fuse_pid=$!
  for _ in $(seq 100); do grep -qs " $XDG_RUNTIME_DIR/gvfs " /proc/mounts && break; sleep 0.1; done
  grep -qs " $XDG_RUNTIME_DIR/gvfs " /proc/mounts ||
    { cat "$XDG_RUNTIME_DIR/fuse.log"; echo "SKIPPED: the GVFS FUSE folder did not come up"; exit 77; }
  printf "%s\nWORKGROUP\n%s\n" "$SMB_SHARE_USER" "$SMB_SHARE_PASSWORD" |
    timeout 30 gio mount "smb://127.0.0.1:$SMB_SHARE_PORT/recfiles" >"$XDG_RUNTIME_DIR/mount.log" 2>&1 ||
    { cat "$XDG_RUNTIME_DIR/mount.log"; echo "SKIPPED: gio mount of the share failed"; exit 77; }
  for _ in $(seq 100); do [ -d "$mounted" ] && break; sleep 0.1; done
  [ -d "$mounted" ] || { echo "SKIPPED: the share did not appear in the FUSE folder"; exit 77; }
  echo "smb_share: //127.0.0.1:$SMB_SHARE_PORT/recfiles mounted at $mounted"
  DOCUVANE_SMB_MOUNT="$mounted" DOCUVANE_SMB_SERVER="$SMB_SHARE_DIR" "$@"
  status=$?
  exit $status
' smb_share "$@"
rc=$?
exit $rc
