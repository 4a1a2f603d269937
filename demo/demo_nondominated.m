function demo_nondominated()
  % Six laptops scored by price and weight, both better when smaller. A
  % laptop is on the Pareto front when no other one is at least as cheap and
  % as light while strictly better in one of the two; of two identical
  % offers only the first is marked.
  names  = {'A', 'B', 'C', 'D', 'E', 'F'};
  offers = [ 900  1.9;     % A
            1200  1.2;     % B
             700  2.5;     % C
            1000  2.0;     % D: A is cheaper and lighter
            1200  1.2;     % E: the same as B
             650  3.1];    % F
  front = nondominated(offers);
  printf('offer  price  weight  on the front\n');
  for i = 1:rows(offers)
    printf('%5s  %5d  %6.1f  %s\n', names{i}, offers(i, 1), offers(i, 2), ...
           mat2str(front(i)));
  end
  printf('front (%s) = [%s]\n', class(front), num2str(front'));
end
