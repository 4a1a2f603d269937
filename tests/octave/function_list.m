function names = function_list(file)
  % The function names of a list in the format of modules/functions.txt (the
  % lines that are a name alone; blank lines and # comments are skipped), as
  % a row cell array in the list's order.
  text = fileread(file);
  names = regexprep(regexp(text, '^[a-z_]+\r?$', 'match', 'lineanchors'), '\r$', '');
  assert(~isempty(names), '%s lists no function', file);
end
