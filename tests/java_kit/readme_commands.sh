#!/usr/bin/env bash
# readme_commands.sh SOURCE_DIR WORK_DIR
# Runs the shell commands of the README's section for Java developers as written, in a copy of
# the files that a clone of the repository holds, with a home folder of its own (for ~/.m2), and
# checks what they printed and left.
set -euo pipefail
src=$(realpath "$1")
work=$(realpath -m "$2")
section="## For Java developers: simulated terminals and the contract check"

rm -rf "$work"
mkdir -p "$work/clone" "$work/home"
if git -C "$src" rev-parse --is-inside-work-tree >/dev/null 2>&1; then
  # Tracked files and new ones that are not ignored; not the build folders.
  (cd "$src" && git ls-files -z --cached --others --exclude-standard) |
    while IFS= read -r -d '' file; do
      if [ -e "$src/$file" ]; then printf '%s\0' "$file"; fi
    done |
    (cd "$src" && xargs -0 cp -p --parents -t "$work/clone")
else
  tar -C "$src" --exclude=./build --exclude=./out -cf - . | tar -C "$work/clone" -xf -
fi

# The ```sh blocks of the section, in order.
awk -v section="$section" '
  $0 == section { inside = 1; next }
  inside && /^## / { exit }
  inside && /^```sh$/ { block = 1; next }
  inside && block && /^```$/ { block = 0; print ""; next }
  inside && block { print }
' "$work/clone/README.md" >"$work/commands.sh"
if ! grep -q '[^[:space:]]' "$work/commands.sh"; then
  echo "readme_commands: the README has no commands in its section \"$section\"" >&2
  exit 1
fi
echo "=== The section's commands"
cat "$work/commands.sh"

echo "=== Their run"
status=0
(cd "$work/clone" && env -u LD_LIBRARY_PATH -u DEVICESDK5_SIM_SCENARIO HOME="$work/home" \
  bash -euo pipefail "$work/commands.sh") >"$work/output.txt" 2>&1 || status=$?
cat "$work/output.txt"
if [ "$status" -ne 0 ]; then
  echo "readme_commands: the commands failed with exit code $status" >&2
  exit 1
fi

failed=0
expect_line() {
  if ! grep -qxF -- "$1" "$work/output.txt"; then
    echo "readme_commands: no line \"$1\"" >&2
    failed=1
  fi
}
# The unplugged terminal polled: it fails its calls 5 to 14, so rounds 3 to 5 get no records.
expect_line "round 1: 5 records"
expect_line "round 2: 5 records"
for round in 3 4 5; do
  expect_line "round $round: no records; serial number read: status -3"
done
# The libraries copied into a folder of their own: terminal 1, one round.
expect_line "round 1: 5 records"
expect_line "simulator/scenarios/three_terminals.json: serial number 5100001, status 0"
expect_line "simulator/scenarios/full_user_table.json: serial number 5100001, status 0"
expect_line "default terminals: searched 3"
if ! grep -qE '^palmbridge contract: [1-9][0-9]* present, 0 missing$' "$work/output.txt"; then
  echo "readme_commands: the contract check did not pass the reference classes" >&2
  failed=1
fi
for artifact in palmbridge-apinative devicesdk5-simulator palmbridge-contract; do
  for file in "$artifact-1.0.0.jar" "$artifact-1.0.0-sources.jar" "$artifact-1.0.0-javadoc.jar" \
              "$artifact-1.0.0.pom"; do
    path="$work/home/.m2/repository/com/zarvel/quorvexservice/$artifact/1.0.0/$file"
    if [ ! -s "$path" ]; then
      echo "readme_commands: not in the local Maven repository: $path" >&2
      failed=1
    fi
  done
done
if grep -q 'WARNING' "$work/output.txt"; then
  echo "readme_commands: a warning in the output (-Xcheck:jni?)" >&2
  failed=1
fi
if [ "$failed" -ne 0 ]; then
  exit 1
fi
echo "readme_commands: the section's commands ran as written"
