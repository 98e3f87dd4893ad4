# bash completion for orvanectl: command words, their arguments, --config with the
# configurations of the program directory and input names of the configuration's model.
# The lists come from orvanectl itself, with the --dir and --program-dir typed so far.

_orvanectl() {
    local cur=${COMP_WORDS[COMP_CWORD]}
    local prev=""
    ((COMP_CWORD > 0)) && prev=${COMP_WORDS[COMP_CWORD - 1]}
    local program=${COMP_WORDS[0]}
    local -a where=()
    local command="" config="" i word
    for ((i = 1; i < COMP_CWORD; i++)); do
        word=${COMP_WORDS[i]}
        case $word in
        --dir | --program-dir)
            where+=("$word" "${COMP_WORDS[i + 1]}")
            ((i++))
            ;;
        --config)
            config=${COMP_WORDS[i + 1]}
            ((i++))
            ;;
        -*) ;;
        *) [[ -z $command ]] && command=$word ;;
        esac
    done
    local -a config_option=()
    [[ -n $config ]] && config_option=(--config "$config")

    COMPREPLY=()
    case $prev in
    --dir | --program-dir)
        mapfile -t COMPREPLY < <(compgen -d -- "$cur")
        return
        ;;
    --config)
        mapfile -t COMPREPLY < <(compgen -W "$("$program" "${where[@]}" configs 2>/dev/null)" -- "$cur")
        return
        ;;
    esac
    if [[ $cur == -* ]]; then
        local options="--help --dir --program-dir --config"
        case $command in
        models | show | options | info) options+=" --json" ;;
        image) options+=" --slot --show" ;;
        adjust) options+=" --slot" ;;
        esac
        mapfile -t COMPREPLY < <(compgen -W "$options" -- "$cur")
        return
    fi
    if [[ -z $command ]]; then
        local commands
        commands=$("$program" --help 2>/dev/null | sed -n '/^Subcommands:/,$p' | awk '/^  [a-z]/ { print $1 }')
        mapfile -t COMPREPLY < <(compgen -W "$commands" -- "$cur")
        return
    fi
    case $command in
    power | blank | freeze) mapfile -t COMPREPLY < <(compgen -W "on off" -- "$cur") ;;
    volume) mapfile -t COMPREPLY < <(compgen -W "up down" -- "$cur") ;;
    use) mapfile -t COMPREPLY < <(compgen -W "$("$program" "${where[@]}" models 2>/dev/null | cut -f2)" -- "$cur") ;;
    show) mapfile -t COMPREPLY < <(compgen -f -- "$cur") ;;
    image)
        if [[ $prev == image ]]; then
            mapfile -t COMPREPLY < <(compgen -W "send" -- "$cur")
        else
            mapfile -t COMPREPLY < <(compgen -f -- "$cur")
        fi
        ;;
    input)
        # Names hold blanks ("HDMI 1"); each is offered as one escaped word, matched in any case.
        local name
        while IFS= read -r name; do
            [[ ${name,,} == "${cur,,}"* ]] && COMPREPLY+=("$(printf '%q' "$name")")
        done < <("$program" "${where[@]}" inputs "${config_option[@]}" 2>/dev/null)
        ;;
    esac
}
complete -F _orvanectl orvanectl
