# What every command in scripts/ says when it stops: one line naming the
# command as it was typed (scripts/check-patch) and what is wrong, and on
# wrong usage a pointer to its --help. Each command names itself and its exit
# code for wrong usage once, with cli_command, before anything can stop it.

# NAME (check-patch), and the exit code that wrong usage ends with, as the
# command's --help and the guide give it. A third word, ja, makes the command
# speak as patch-check does, whose report it passes on: one Japanese line,
# compiler-style ("scripts/check-patch: エラー: …。").
cli_command() {
    CLI_COMMAND=$1
    CLI_USAGE_CODE=$2
    CLI_LANGUAGE=${3:-en}
}

# Stops the command with exit code CODE and the message, on standard error.
die() {
    local code=$1
    shift
    if [ "${CLI_LANGUAGE:-en}" = ja ]; then
        echo "scripts/$CLI_COMMAND: エラー: $*。" >&2
    else
        echo "scripts/$CLI_COMMAND: $*" >&2
    fi
    exit "$code"
}

# Stops the command for wrong usage: the message, then where to read more.
usage_error() {
    if [ "${CLI_LANGUAGE:-en}" = ja ]; then
        echo "scripts/$CLI_COMMAND: エラー: $*。使い方は scripts/$CLI_COMMAND --help で確かめてください。" >&2
    else
        echo "scripts/$CLI_COMMAND: $*" >&2
        echo "Try 'scripts/$CLI_COMMAND --help'." >&2
    fi
    exit "$CLI_USAGE_CODE"
}
