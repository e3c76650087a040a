# Shared by the scripts: `. scripts/lib.sh`. Defines functions only.

# Whether this kernel runs 32-bit x86 code: a 32-bit system call (int 0x80) from a 64-bit
# process works only with the kernel's IA-32 support. (A 32-bit program is no test: a qemu
# binfmt handler would run it.) QUENLO_KERNEL_RUNS_32BIT=0 or 1 overrides the probe, so that
# either path of the scripts can be taken on any machine.
kernel_runs_32bit() {
  case ${QUENLO_KERNEL_RUNS_32BIT:-} in
    0) return 1 ;;
    1) return 0 ;;
  esac
  local probe rc=0
  probe=$(mktemp)
  # A 142-byte static x86-64 ELF: getpid through int 0x80, exit 0 when it answered.
  printf '\x7f\x45\x4c\x46\x02\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00'\
'\x02\x00\x3e\x00\x01\x00\x00\x00\x78\x00\x40\x00\x00\x00\x00\x00'\
'\x40\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00'\
'\x00\x00\x00\x00\x40\x00\x38\x00\x01\x00\x00\x00\x00\x00\x00\x00'\
'\x01\x00\x00\x00\x05\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00'\
'\x00\x00\x40\x00\x00\x00\x00\x00\x00\x00\x40\x00\x00\x00\x00\x00'\
'\x8e\x00\x00\x00\x00\x00\x00\x00\x8e\x00\x00\x00\x00\x00\x00\x00'\
'\x00\x10\x00\x00\x00\x00\x00\x00'\
'\xb8\x14\x00\x00\x00\xcd\x80\x31\xff\x85\xc0\x7f\x02\xff\xc7\xb8\x3c\x00\x00\x00\x0f\x05' >"$probe"
  chmod +x "$probe"
  { "$probe"; } 2>/dev/null || rc=$?
  rm -f "$probe"
  return "$rc"
}

# Progress lines with the time since the script began: `say "building Quenlo"`.
QUENLO_STARTED=${QUENLO_STARTED:-$(date +%s)}
say() {
  local s=$(($(date +%s) - QUENLO_STARTED))
  printf '[%d:%02d] %s\n' $((s / 60)) $((s % 60)) "$*"
}

# `quietly LOG COMMAND...`: runs the command with its output appended to LOG; when it fails,
# shows the end of LOG and exits with its status.
quietly() {
  local log=$1 status=0
  shift
  "$@" >>"$log" 2>&1 || status=$?
  if [ "$status" != 0 ]; then
    echo "failed (exit $status): $*" >&2
    echo "---- the last lines of $log:" >&2
    tail -n "${QUENLO_LOG_TAIL:-40}" "$log" >&2
    exit "$status"
  fi
}

# The name Wine's programs know a Unix path by (drive Z: is the Unix root): `windows_path /a/b`.
windows_path() {
  local unix=$1
  echo "Z:${unix//\//\\}"
}
