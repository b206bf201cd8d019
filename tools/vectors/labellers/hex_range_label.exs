# Labels (requirement, version) pairs with Elixir's Version:
# Version.parse_requirement/1, then Version.match?/3 with allow_pre: false (as Hex
# resolves) and allow_pre: true (match?'s own default).
#
#     elixir hex_range_label.exs < lines of "requirement<TAB>version"
#
# Each line -> "valid<TAB>allow_pre_false<TAB>allow_pre_true": valid is 1 when
# Version.parse/1 reads the version, and each label is 1 or 0, or "invalid" when
# the requirement does not parse (or the lexer fails on it). "!=" and "!" warn
# on standard error at every parse.
lines =
  case IO.read(:stdio, :eof) do
    :eof -> []
    data -> String.split(data, "\n")
  end

lines = if List.last(lines) == "", do: Enum.drop(lines, -1), else: lines

parse = fn requirement ->
  try do
    case Version.parse_requirement(requirement) do
      {:ok, parsed} -> parsed
      :error -> nil
    end
  rescue
    _ -> nil
  end
end

{out, _} =
  Enum.map_reduce(lines, %{}, fn line, cache ->
    [requirement, version] = String.split(line, "\t", parts: 2)
    {parsed, cache} =
      case Map.fetch(cache, requirement) do
        {:ok, parsed} -> {parsed, cache}
        :error ->
          parsed = parse.(requirement)
          {parsed, Map.put(cache, requirement, parsed)}
      end

    valid = if match?({:ok, _}, Version.parse(version)), do: "1", else: "0"

    label = fn allow_pre ->
      cond do
        parsed == nil -> "invalid"
        valid == "0" -> "0"
        Version.match?(version, parsed, allow_pre: allow_pre) -> "1"
        true -> "0"
      end
    end

    {Enum.join([valid, label.(false), label.(true)], "\t"), cache}
  end)

IO.write(Enum.map(out, &[&1, "\n"]))
