# Labels version texts with Elixir's Version: Version.parse/1, Version.compare/2.
#
#     elixir hex_label.exs valid|compare|sort < lines
#
# valid: one text per line -> 1/0; compare: "a<TAB>b" -> -1/0/1;
# sort: accepted texts -> the same texts in the tool's order.
lines =
  case IO.read(:stdio, :eof) do
    :eof -> []
    data -> String.split(data, "\n")
  end

lines = if List.last(lines) == "", do: Enum.drop(lines, -1), else: lines

sign = fn
  :lt -> "-1"
  :eq -> "0"
  :gt -> "1"
end

out =
  case System.argv() do
    ["valid"] ->
      Enum.map(lines, fn line ->
        case Version.parse(line) do
          {:ok, _} -> "1"
          :error -> "0"
        end
      end)

    ["compare"] ->
      Enum.map(lines, fn line ->
        [a, b] = String.split(line, "\t")
        sign.(Version.compare(a, b))
      end)

    ["sort"] ->
      Enum.sort(lines, fn a, b -> Version.compare(a, b) != :gt end)

    _ ->
      IO.puts(:stderr, "usage: hex_label.exs valid|compare|sort")
      System.halt(2)
  end

IO.write(Enum.map(out, &[&1, "\n"]))
