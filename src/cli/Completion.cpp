#include "cli/Completion.h"

#include <algorithm>
#include <cctype>
#include <iostream>
#include <string_view>
#include <utility>
#include <vector>

namespace cli {
namespace {

// The script writes names and choices unquoted (in case patterns and word lists): anything
// else is left out of it rather than quoted.
bool plainWord(std::string_view word) {
    return !word.empty() && std::all_of(word.begin(), word.end(), [](unsigned char c) {
        return std::isalnum(c) != 0 || c == '-' || c == '_' || c == '.' || c == '+';
    });
}

std::string join(const std::vector<std::string>& words, char separator) {
    std::string out;
    for (const std::string& word : words) {
        if (!out.empty()) out += separator;
        out += word;
    }
    return out;
}

// What a value is: the members of the set it is checked against ("get|set|setup"), <number>,
// or <text> (file names among the possibilities). "..." after it: it repeats.
std::string valueKind(const CLI::Option& option) {
    const std::string type = option.get_type_name();
    std::string kind = "<text>";
    if (type.rfind("INT", 0) == 0 || type.rfind("UINT", 0) == 0 || type.rfind("FLOAT", 0) == 0 ||
        type.rfind("NUMBER", 0) == 0) {
        kind = "<number>";
    }
    const size_t open = type.find('{');
    const size_t close = type.find('}', open);
    if (open != std::string::npos && close != std::string::npos) {
        std::vector<std::string> members;
        std::string_view rest(type.data() + open + 1, close - open - 1);
        bool plain = true;
        while (plain) {
            const size_t comma = rest.find(',');
            const std::string_view member = rest.substr(0, comma);
            plain = plainWord(member);
            members.emplace_back(member);
            if (comma == std::string_view::npos) break;
            rest.remove_prefix(comma + 1);
        }
        if (plain) kind = join(members, '|');
    }
    if (option.get_items_expected_max() >= CLI::detail::expected_max_vector_size) kind += "...";
    return kind;
}

// What one command offers at the cursor.
struct Offer {
    std::vector<std::string> options;
    std::vector<std::string> values;  // "--option=kind" for each option that takes a value
    std::vector<std::string> positionals;
    std::vector<std::string> commands;

    bool hasOption(const std::string& name) const {
        return std::find(options.begin(), options.end(), name) != options.end();
    }
};

// The options and positionals of `app` and of its option groups (nameless subcommands).
void addOwn(const CLI::App& app, Offer& offer) {
    for (const CLI::Option* option : app.get_options()) {
        if (option->get_group().empty()) continue;  // hidden
        if (!option->nonpositional()) {
            offer.positionals.push_back(valueKind(*option));
            continue;
        }
        std::vector<std::string> names;
        for (const std::string& name : option->get_lnames()) names.push_back("--" + name);
        for (const std::string& name : option->get_snames()) names.push_back("-" + name);
        for (const std::string& name : names) {
            if (!plainWord(name) || offer.hasOption(name)) continue;
            offer.options.push_back(name);
            if (option->get_items_expected_min() > 0)
                offer.values.push_back(name + "=" + valueKind(*option));
        }
    }
    for (const CLI::App* group :
         app.get_subcommands([](const CLI::App* sub) { return sub->get_name().empty(); })) {
        addOwn(*group, offer);
    }
}

// One case arm per command, depth first; `paths` are the spellings of its path (one per
// alias along it), `inherited` what it falls through to.
void addCommand(const CLI::App& app, const std::vector<std::string>& paths, const Offer& inherited,
                std::string& arms) {
    Offer offer;
    addOwn(app, offer);
    if (app.get_fallthrough()) {
        for (const std::string& name : inherited.options)
            if (!offer.hasOption(name)) offer.options.push_back(name);
        for (const std::string& value : inherited.values) {
            if (std::none_of(offer.values.begin(), offer.values.end(), [&](const std::string& v) {
                    return v.substr(0, v.find('=')) == value.substr(0, value.find('='));
                })) {
                offer.values.push_back(value);
            }
        }
    }
    const std::vector<const CLI::App*> subcommands = app.get_subcommands(
        [](const CLI::App* sub) { return !sub->get_name().empty() && !sub->get_group().empty(); });
    std::vector<std::pair<const CLI::App*, std::vector<std::string>>> children;
    for (const CLI::App* sub : subcommands) {
        std::vector<std::string> names{sub->get_name()};
        for (const std::string& alias : sub->get_aliases()) names.push_back(alias);
        std::vector<std::string> subPaths;
        for (const std::string& name : names) {
            if (!plainWord(name)) continue;
            offer.commands.push_back(name);
            for (const std::string& path : paths)
                subPaths.push_back(path.empty() ? name : path + " " + name);
        }
        if (!subPaths.empty()) children.emplace_back(sub, std::move(subPaths));
    }

    std::vector<std::string> patterns;
    for (const std::string& path : paths) patterns.push_back("'" + path + "'");
    arms += "    " + join(patterns, '|') + ")\n";
    arms += "        commands='" + join(offer.commands, ' ') + "'\n";
    arms += "        options='" + join(offer.options, ' ') + "'\n";
    arms += "        values='" + join(offer.values, ' ') + "'\n";
    arms += "        positionals='" + join(offer.positionals, ' ') + "' ;;\n";
    for (const auto& [sub, subPaths] : children) addCommand(*sub, subPaths, offer, arms);
}

constexpr std::string_view kScript =
    R"(# bash completion for @PROGRAM@, made by `@PROGRAM@ --completion bash` from its own commands:
# make it again rather than edit it.
# shellcheck shell=bash

# Sets what the command at path $1 (subcommand names, separated by blanks) offers: its
# subcommands, its options (with those it falls through to), the value each option takes
# (--option=kind) and its positionals in order. A kind is <number>, <text> (file names among
# them) or choices (a|b); "..." after it repeats it.
@FUNCTION@_command() {
    case $1 in
@ARMS@    *) commands='' options='' values='' positionals='' ;;
    esac
}

# Offers the values of kind $1 for $cur.
@FUNCTION@_offer() {
    local kind=${1%...}
    case $kind in
    '<number>') ;;
    '<text>') compopt -o default 2>/dev/null ;;
    *) mapfile -t COMPREPLY < <(compgen -W "${kind//|/ }" -- "$cur") ;;
    esac
}

@FUNCTION@() {
    local cur words cword
    if declare -F _get_comp_words_by_ref >/dev/null; then
        # bash-completion's: keeps tcp:HOST:PORT and --option=value one word
        _get_comp_words_by_ref -n =: -w words -i cword cur
    else
        words=("${COMP_WORDS[@]}") cword=$COMP_CWORD cur=${COMP_WORDS[COMP_CWORD]}
    fi
    local commands options values positionals path='' expect='' word pair i n=0
    @FUNCTION@_command ''
    for ((i = 1; i < cword; i++)); do
        word=${words[i]}
        if [[ -n $expect && $expect != *... ]]; then
            expect=''  # the value of the option before
        elif [[ $word == -* ]]; then
            expect=''
            [[ $word == *=* ]] && continue
            for pair in $values; do
                [[ ${pair%%=*} == "$word" ]] && expect=${pair#*=}
            done
        elif [[ " $commands " == *" $word "* ]]; then
            expect=''
            path+=${path:+ }$word
            @FUNCTION@_command "$path"
            n=0
        elif [[ -z $expect ]]; then  # else one more value of a repeating option
            n=$((n + 1))
        fi
    done
    COMPREPLY=()
    if [[ -n $expect ]]; then
        @FUNCTION@_offer "$expect"
    elif [[ $cur == -* ]]; then
        mapfile -t COMPREPLY < <(compgen -W "$options" -- "$cur")
    elif [[ -n $commands ]]; then
        mapfile -t COMPREPLY < <(compgen -W "$commands" -- "$cur")
    else
        local kinds
        read -ra kinds <<<"$positionals"
        if ((n < ${#kinds[@]})); then
            @FUNCTION@_offer "${kinds[n]}"
        elif ((${#kinds[@]} > 0)) && [[ ${kinds[-1]} == *... ]]; then
            @FUNCTION@_offer "${kinds[-1]}"
        fi
    fi
}
complete -F @FUNCTION@ @PROGRAM@
)";

std::string replaceAll(std::string text, std::string_view what, const std::string& with) {
    for (size_t at = text.find(what); at != std::string::npos;
         at = text.find(what, at + with.size()))
        text.replace(at, what.size(), with);
    return text;
}

class ExpandingFormatter final : public CLI::Formatter {
  public:
    std::string make_expanded(const CLI::App* sub) const override {
        std::string text = CLI::Formatter::make_expanded(sub);
        for (const CLI::App* nested : sub->get_subcommands({})) {
            // Hidden commands have no group, as in CLI11's own listing.
            if (nested->get_name().empty() || nested->get_group().empty()) continue;
            std::string more = sub->get_name() + " " + make_expanded(nested);
            more.pop_back();  // its final line break
            text += "\n  " + replaceAll(std::move(more), "\n", "\n  ") + "\n";
        }
        return text;
    }
};

}  // namespace

std::shared_ptr<CLI::Formatter> helpFormatter() { return std::make_shared<ExpandingFormatter>(); }

std::string bashCompletion(const CLI::App& app, const std::string& program) {
    std::string function = "_" + program;
    std::replace_if(
        function.begin(), function.end(), [](unsigned char c) { return std::isalnum(c) == 0; },
        '_');
    std::string arms;
    addCommand(app, {""}, Offer{}, arms);
    std::string script(kScript);
    script = replaceAll(std::move(script), "@ARMS@", arms);
    script = replaceAll(std::move(script), "@FUNCTION@", function);
    return replaceAll(std::move(script), "@PROGRAM@", program);
}

void addCompletionOption(CLI::App& app, const std::string& program) {
    app.add_option_function<std::string>(
           "--completion",
           [&app, program](const std::string&) {
               std::cout << bashCompletion(app, program);
               throw CLI::Success();
           },
           "print the bash completion script")
        ->check(CLI::IsMember({"bash"}))
        ->trigger_on_parse()
        ->group("");
}

}  // namespace cli
