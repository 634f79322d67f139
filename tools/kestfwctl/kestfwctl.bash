# bash completion for kestfwctl
_kestfwctl() {
    local cur prev sub i
    cur=${COMP_WORDS[COMP_CWORD]}
    prev=${COMP_WORDS[COMP_CWORD-1]}
    sub=""
    for ((i = 1; i < COMP_CWORD; i++)); do
        case ${COMP_WORDS[i]} in
        check | load | show | save | diff) sub=${COMP_WORDS[i]}; break ;;
        esac
    done
    local channel="--device --socket --file --sim"
    case $prev in
    --device | --file) COMPREPLY=($(compgen -f -- "$cur")); return ;;
    --socket | -e) return ;;
    esac
    case $sub in
    "") COMPREPLY=($(compgen -W "check load show save diff --help --version" -- "$cur")) ;;
    check) COMPREPLY=($(compgen -W "-q --quiet --help" -- "$cur") $(compgen -f -- "$cur")) ;;
    load) COMPREPLY=($(compgen -W "-e --dry-run --help $channel" -- "$cur") $(compgen -f -- "$cur")) ;;
    show) COMPREPLY=($(compgen -W "rulesets ruleset addrsets addrset connections stats settings --json --help $channel" -- "$cur")) ;;
    save) COMPREPLY=($(compgen -W "--help $channel" -- "$cur")) ;;
    diff) COMPREPLY=($(compgen -W "--help $channel" -- "$cur") $(compgen -f -- "$cur")) ;;
    esac
}
complete -F _kestfwctl kestfwctl
