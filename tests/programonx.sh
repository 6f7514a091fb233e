# Sourced by the tests that run the program, $1, on an X server of their own: starts that
# server and gives them `run_program`, which starts the program on it in the background;
# both are stopped when the test ends. `scripts` names the project's scripts folder.
program=$1
scripts=$(dirname "${BASH_SOURCE[0]}")/../scripts
source "$scripts/lib.sh"
source "$scripts/privatex.sh"

app=
trap 'stop "$app"; stop_private_x' EXIT
start_private_x
export QT_QPA_PLATFORM=xcb

# Starts the program with the environment `env` is given before it, e.g.
# `run_program VARIABLE=value`; its process id is in `app`.
run_program() {
    env "$@" "$program" &
    app=$!
}
