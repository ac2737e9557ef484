# Bash completion for qfd, installed as share/bash-completion/completions/qfd.
# It completes the commands, each command's options, form database names (any
# letter case of ".qfd", as the file type matches them), definitions (.json) after
# --from, export files (.csv, .dta, .sav, .xlsx, .sqlite), SQLite centres after --to,
# and field names (also after --key) (NAME= for add and set, A,B,... after --fields), read
# with "qfd info" from the database named on the line. It needs nothing from the
# bash-completion package.

# A word of the line as the file name it stands for: its quotes dropped, a
# backslash before a character taken away ("My\ Forms" is "My Forms"). Bash quotes
# the names it puts on the line again.
_qfd_unquoted() {
  local w=$1 out= i
  if [[ $w == [\"\']* ]]; then
    w=${w:1}
    [[ $w == *"${1:0:1}" ]] && w=${w%?}
    printf '%s' "$w"
    return 0
  fi
  for ((i = 0; i < ${#w}; i++)); do
    if [[ ${w:i:1} == \\ ]] && ((i + 1 < ${#w})); then
      ((i++))
    fi
    out+=${w:i:1}
  done
  printf '%s' "$out"
}

# Adds to COMPREPLY the files under the word being completed whose name ends in
# the extension $1 (compared in any letter case), and the folders.
_qfd_files() {
  local ext=${1,,} cur f
  cur=$(_qfd_unquoted "$2")
  local IFS=$'\n'
  for f in $(compgen -f -- "$cur"); do
    if [[ -d $f ]]; then
      COMPREPLY+=("$f")
    elif [[ ${f,,} == *."$ext" ]]; then
      COMPREPLY+=("$f")
    fi
  done
  compopt -o filenames 2>/dev/null
  return 0
}

# The field names of the database $2, read by the qfd program $1 from its field
# table (slot, name, page, offset, length, format). With $3 = values, only the
# fields that take a value: a "#" field is numbered by the store.
_qfd_field_names() {
  local prog=$1 db values=${3:-}
  db=$(_qfd_unquoted "$2")
  [[ -n $db ]] || return 0
  [[ $db == "~/"* ]] && db=$HOME/${db:2}
  "$prog" info "$db" 2>/dev/null |
    awk -v values="$values" '/^Fields:/ { f = 1; next } /^[^ ]/ { f = 0 }
      f && $1 ~ /^[0-9]+$/ && !(values == "values" && $6 ~ /#/) { print $2 }'
}

# Bash breaks words at "=" (COMP_WORDBREAKS), so NAME=VALUE comes as three words.
# Sets words and cword (the caller's) to the words of the line up to the cursor with
# each "=" joined to its neighbours where the line has no blank between them.
_qfd_words() {
  words=() cword=0
  local line=${COMP_LINE-}
  [[ -n ${COMP_POINT-} ]] && line=${line:0:COMP_POINT}
  if [[ -z $line ]]; then
    words=("${COMP_WORDS[@]:0:COMP_CWORD+1}")
    cword=$COMP_CWORD
    return 0
  fi
  local i w rest glued
  for ((i = 0; i <= COMP_CWORD; i++)); do
    w=${COMP_WORDS[i]}
    rest=${line#"${line%%[![:space:]]*}"}
    glued=
    ((${#rest} == ${#line})) && glued=1
    line=${rest:${#w}}
    if ((i > 1)) && [[ -n $glued && ($w == "=" || ${words[cword]} == *=) ]]; then
      words[cword]+=$w
    else
      words+=("$w")
      cword=$((${#words[@]} - 1))
    fi
  done
}

_qfd() {
  local -a words
  local cword
  _qfd_words
  local cur=${words[cword]}
  local prev=
  ((cword > 0)) && prev=${words[cword - 1]}
  local commands="info dump create resave add get set delete undelete export import push pack check history accept verify compare stats"
  COMPREPLY=()

  if ((cword == 1)); then
    COMPREPLY=($(compgen -W "$commands --help --version" -- "$cur"))
    return 0
  fi

  local cmd=${words[1]}
  # The qfd that is being completed, where it is a path; else the one on PATH.
  local prog=${words[0]}
  [[ $prog == */* && -x $prog ]] || prog=qfd

  # The positional arguments before the word being completed; options and their
  # values are not counted.
  local i word db= n=0
  for ((i = 2; i < cword; i++)); do
    word=${words[i]}
    case $word in
      --from | --recover | --fields | --encoding | --note | --format | --to | --key | --site) ((i++)) ;;
      -*) ;;
      *)
        ((n++))
        ((n == 1)) && db=$word
        ;;
    esac
  done

  case $prev in
    --from)
      _qfd_files json "$cur"
      return 0
      ;;
    --recover)
      COMPREPLY=($(compgen -W "yes no" -- "$cur"))
      return 0
      ;;
    --encoding)
      COMPREPLY=($(compgen -W "auto utf-8 windows-1252" -- "$cur"))
      return 0
      ;;
    --note)
      return 0  # free text
      ;;
    --format)
      COMPREPLY=($(compgen -W "csv dta sav xlsx sqlite" -- "$cur"))
      return 0
      ;;
    --to)
      # An SQLite file (a connection string is typed).
      _qfd_files sqlite "$cur"
      return 0
      ;;
    --key)
      # push: the key field; compare: the fields of the first file.
      local IFS=$'\n' name
      for name in $(_qfd_field_names "$prog" "$db"); do
        [[ $name == "$cur"* ]] && COMPREPLY+=("$name")
      done
      return 0
      ;;
    --site)
      return 0
      ;;
    --fields)
      # A,B,...: the names after the last comma.
      local done= part=$cur name
      if [[ $cur == *,* ]]; then
        done=${cur%,*},
        part=${cur##*,}
      fi
      local IFS=$'\n'
      for name in $(_qfd_field_names "$prog" "$db"); do
        [[ $name == "$part"* && ,$done != *,"$name",* ]] && COMPREPLY+=("$done$name")
      done
      compopt -o nospace 2>/dev/null
      return 0
      ;;
  esac

  if [[ $cur == -* ]]; then
    local options=
    case $cmd in
      dump) options="--json --with-password" ;;
      create) options="--from" ;;
      resave) options="--from --recover --allow-loss" ;;
      get) options="--json" ;;
      export) options="--format --fields --rfc4180 --utf8 --with-deleted" ;;
      push) options="--to --key --site --history" ;;
      import) options="--ignore-unknown --skip-bad --dry-run --encoding --rfc4180" ;;
      pack) options="--yes" ;;
      history) options="--csv --start" ;;
      check) options="--data --csv" ;;
      accept) options="--note" ;;
      verify) options="--start --status" ;;
      compare) options="--key --csv" ;;
      stats) options="--csv" ;;
    esac
    COMPREPLY=($(compgen -W "$options" -- "$cur"))
    return 0
  fi

  case $cmd in
    info | check | pack | dump | resave | delete | undelete | get | history | push | verify | stats)
      ((n == 0)) && _qfd_files qfd "$cur"
      ;;
    compare)
      ((n <= 1)) && _qfd_files qfd "$cur"
      ;;
    accept)
      # FILE N RULE: the rules the database's records break, as check --data names them.
      if ((n == 0)); then
        _qfd_files qfd "$cur"
      elif ((n == 2)); then
        local IFS=$'\n' rule
        for rule in $("$prog" check "$(_qfd_unquoted "$db")" --data --csv 2>/dev/null | cut -d, -f4 | sort -u); do
          [[ $rule != Rule && $rule == "$cur"* ]] && COMPREPLY+=("$rule")
        done
      fi
      ;;
    add | set)
      local first=1
      [[ $cmd == set ]] && first=2
      if ((n == 0)); then
        _qfd_files qfd "$cur"
      elif ((n >= first)) && [[ $cur != *=* ]]; then
        # The fields not given yet.
        local given=" " IFS=$'\n' name
        for ((i = 2; i < cword; i++)); do
          [[ ${words[i]} == *=* ]] && given+="${words[i]%%=*} "
        done
        for name in $(_qfd_field_names "$prog" "$db" values); do
          [[ $name == "$cur"* && $given != *" $name "* ]] && COMPREPLY+=("$name=")
        done
        compopt -o nospace 2>/dev/null
      fi
      ;;
    create)
      # The new database: only folders are offered.
      if ((n == 0)); then
        local IFS=$'\n'
        COMPREPLY=($(compgen -d -- "$(_qfd_unquoted "$cur")"))
        compopt -o filenames 2>/dev/null
      fi
      ;;
    export | import)
      if ((n == 0)); then
        _qfd_files qfd "$cur"
      elif ((n == 1)) && [[ $cmd == import ]]; then
        _qfd_files csv "$cur"
      elif ((n == 1)); then
        local ext
        for ext in csv dta sav xlsx sqlite; do _qfd_files "$ext" "$cur"; done
        # Each pass offers the folders again: once is enough.
        local IFS=$'\n'
        COMPREPLY=($(printf '%s\n' "${COMPREPLY[@]}" | sort -u))
      fi
      ;;
  esac
  return 0
}

complete -F _qfd qfd
